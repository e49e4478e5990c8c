// The XCF walker on GIMP images built here as GIMP lays them out (the test
// machine has no GIMP): 32- and 64-bit pointers, uncompressed, RLE and zlib
// tiles, a layer mask, a channel, dummy levels and (v018) a path. Each ends
// exactly after its furthest structure; the magic with random data behind
// it is refused, and a version beyond the known ones is left open. Needs
// zlib only.

#include "walkers/WalkerTestSupport.h"

#include <zlib.h>

#include <cstring>

using namespace walkertest;

namespace {

class XcfBuilder {
public:
    XcfBuilder(int version, uint8_t compression) : version_(version), compression_(compression) {}

    Bytes build()
    {
        char tag[15];
        std::snprintf(tag, sizeof tag, "gimp xcf v%03d", version_);
        b_.assign(tag, tag + 14);
        u32(100), u32(70), u32(0);
        if (version_ >= 4)
            u32(150);
        u32(17), u32(1), b_.push_back(compression_);
        u32(0), u32(0);
        const size_t layers = slot(), endLayers = slot(), channel = slot(), endChannels = slot();
        const size_t path = version_ >= 18 ? slot() : 0;
        (void)endLayers, (void)endChannels;
        if (version_ >= 18)
            slot();
        set(layers);
        u32(100), u32(70), u32(1), str("Layer"), u32(0), u32(0);
        const size_t hierarchy = slot(), mask = slot();
        if (version_ >= 20)
            slot();
        set(hierarchy);
        pixels(4);
        set(mask);
        channelAt(100, 70);
        set(channel);
        channelAt(100, 70);
        if (version_ >= 18) {
            set(path);
            str("Path"), u32(12), u32(1), u32(0), u32(0);
        }
        return b_;
    }

private:
    void u32(uint32_t v)
    {
        for (int s = 24; s >= 0; s -= 8)
            b_.push_back(static_cast<uint8_t>(v >> s));
    }
    void str(const char* s)
    {
        u32(static_cast<uint32_t>(std::strlen(s) + 1));
        b_.insert(b_.end(), s, s + std::strlen(s) + 1);
    }
    // A zero pointer to fill in later; returns where it stands.
    size_t slot()
    {
        const size_t at = b_.size();
        b_.resize(at + (version_ >= 11 ? 8 : 4), 0);
        return at;
    }
    // Points the slot at `at` to the end of the file.
    void set(size_t at)
    {
        const uint64_t to = b_.size();
        const size_t n = version_ >= 11 ? 8 : 4;
        for (size_t i = 0; i < n; ++i)
            b_[at + i] = static_cast<uint8_t>(to >> (8 * (n - 1 - i)));
    }
    void channelAt(uint32_t w, uint32_t h)
    {
        u32(w), u32(h), str("Mask"), u32(0), u32(0);
        const size_t hierarchy = slot();
        set(hierarchy);
        pixels(1);
    }
    // Hierarchy, first level with its tiles, one dummy level.
    void pixels(uint32_t bpp)
    {
        u32(100), u32(70), u32(bpp);
        const size_t level = slot(), dummy = slot();
        slot();
        set(level);
        u32(100), u32(70);
        size_t tiles[4];
        for (size_t& t : tiles)
            t = slot();
        slot();
        for (int i = 0; i < 4; ++i) {
            set(tiles[i]);
            tile((i % 2 ? 36 : 64) * (i / 2 ? 6 : 64), bpp, static_cast<uint8_t>(i));
        }
        set(dummy);
        u32(50), u32(35), u32(0);
    }
    void tile(uint32_t pixels, uint32_t bpp, uint8_t seed)
    {
        Bytes raw(pixels * bpp);
        for (size_t i = 0; i < raw.size(); ++i)
            raw[i] = static_cast<uint8_t>(i < 40 ? i * 7 + seed : seed);
        if (compression_ == 0) {
            b_.insert(b_.end(), raw.begin(), raw.end());
        } else if (compression_ == 1) {
            // Per byte of a pixel: two literals (short and long form), a
            // short run, then one long run for the rest.
            for (uint32_t s = 0; s < bpp; ++s) {
                const uint32_t rest = pixels - 5;
                b_.insert(b_.end(), {0xFF, raw[s], 128, 0, 2, raw[s], raw[s], 1, seed,
                                     127, static_cast<uint8_t>(rest >> 8), static_cast<uint8_t>(rest), seed});
            }
        } else {
            uLongf size = compressBound(raw.size());
            Bytes z(size);
            compress2(z.data(), &size, raw.data(), raw.size(), 9);
            b_.insert(b_.end(), z.begin(), z.begin() + static_cast<long>(size));
        }
    }

    int version_;
    uint8_t compression_;
    Bytes b_;
};

} // namespace

TEST(XcfWalker, EndsAfterTheFurthestStructure)
{
    const struct {
        int version;
        uint8_t compression;
    } cases[] = {{1, 0}, {3, 1}, {8, 2}, {11, 1}, {12, 2}, {18, 1}, {22, 2}};
    for (const auto& c : cases) {
        const Bytes file = XcfBuilder(c.version, c.compression).build();
        const std::string what = "v" + std::to_string(c.version) + " compression " + std::to_string(c.compression);
        expectExactEnd("XCF", file, what);
        EXPECT_EQ(provenType("XCF", file), "XCF");
        // A sector-aligned foreign header after the file does not move the end.
        Bytes next = file;
        next.resize((file.size() + 511) / 512 * 512, 0);
        next.insert(next.end(), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
        EXPECT_EQ(walk("XCF", concat(next, randomBytes(2048, 4))), (Verdict{State::Ends, file.size()})) << what;
    }
}

TEST(XcfWalker, RefusesRandomHeadersAndLeavesUnknownVersionsOpen)
{
    const Bytes file = XcfBuilder(11, 1).build();
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        const Bytes fake = concat(Bytes(file.begin(), file.begin() + 14), randomBytes(8192, seed));
        EXPECT_EQ(walk("XCF", fake).state, State::NotFormat) << seed;
    }
    Bytes later = file;
    later[11] = '9'; // v091: a layout not known
    const Verdict v = walk("XCF", concat(later, randomBytes(4096, 1)));
    EXPECT_NE(v.state, State::NotFormat);
    EXPECT_FALSE(v.final());
}
