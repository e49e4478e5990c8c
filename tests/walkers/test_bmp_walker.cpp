// BMP walker (the exact ends of every kind of BMP are in
// test_real_files.cpp): a version 3 file made by ImageMagick is known from
// its header alone, and a header whose fields do not fit together is
// refused; 10 million random headers (a bare "BM", and the fixed fields of
// each BMP entry in the signature tables) give at most 2 accepts (none
// expected: the reserved fields alone leave 1 in 2^32, planes and bit count
// 1 in 2^29). Needs ImageMagick for the file (the random part runs without).

#include "engine/walkers/BmpWalker.h"
#include "walkers/WalkerTestSupport.h"

#include <cstring>

using namespace walkertest;
using ostrel::walkers::bmpFileSize;
using ostrel::walkers::kBmpLongestHeader;

namespace {

class BmpWalkerTest : public ConvertTest {
protected:
    const Bytes& bmp = madeOnce("convert -size 37x21 -seed 2 plasma: -type TrueColor BMP3:OUT", "convert");
};

// A fast generator for the 10 million headers.
struct SplitMix {
    uint64_t state;
    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

} // namespace

TEST_F(BmpWalkerTest, FieldsThatDoNotFitAreRefused)
{
    ASSERT_EQ(bmp.size(), 54u + 112 * 21); // 37 x 21, 112-byte rows, pixels at 54
    EXPECT_EQ(walkPrefix("BMP", bmp, kBmpLongestHeader), (Verdict{State::Ends, bmp.size()}))
        << "known from the header alone";
    const auto le32 = [](uint64_t v) {
        return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    };
    const struct {
        std::string what;
        size_t at;
        Bytes bytes;
    } refused[] = {
        {"reserved field set", 6, {1}},
        {"unknown DIB header size", 14, le32(41)},
        {"two planes", 26, {2, 0}},
        {"7 bits per pixel", 28, {7, 0}},
        {"RLE8 with 24 bits", 30, le32(1)},
        {"pixels inside the header", 10, le32(40)},
        {"file size one short of the pixels", 2, le32(bmp.size() - 1)},
        {"file size far beyond the pixels", 2, le32(bmp.size() + (1 << 20))},
        {"zero width", 18, le32(0)},
        {"zero height", 22, le32(0)},
    };
    for (const auto& c : refused)
        EXPECT_EQ(walk("BMP", patched(bmp, c.at, c.bytes)).state, State::NotFormat) << c.what;
    // Photoshop writes two bytes after the pixels and counts them.
    EXPECT_EQ(walk("BMP", patched(concat(bmp, Bytes(2, 0)), 2, le32(bmp.size() + 2))),
              (Verdict{State::Ends, bmp.size() + 2}));
    EXPECT_EQ(walk("BMP", patched(bmp, 22, le32(uint32_t(-21)))), (Verdict{State::Ends, bmp.size()})) << "top-down";
}

TEST(BmpWalkerHeader, TenMillionRandomHeadersGiveAtMostAHandful)
{
    // Bytes 6..17 of each BMP entry of the signature tables (reserved
    // fields, pixel offset, DIB header size), then a bare "BM".
    const std::vector<Bytes> fixed = {
        {0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0},  {0, 0, 0, 0, 0x36, 4, 0, 0, 40, 0, 0, 0},
        {0, 0, 0, 0, 0x3E, 0, 0, 0, 40, 0, 0, 0},  {0, 0, 0, 0, 0x42, 0, 0, 0, 40, 0, 0, 0},
        {0, 0, 0, 0, 0x76, 0, 0, 0, 40, 0, 0, 0},  {0, 0, 0, 0, 0x7A, 0, 0, 0, 108, 0, 0, 0},
        {0, 0, 0, 0, 0x8A, 0, 0, 0, 124, 0, 0, 0}, {0, 0, 0, 0, 0x1A, 0, 0, 0, 12, 0, 0, 0},
        {},
    };
    SplitMix rng{42};
    uint8_t header[kBmpLongestHeader];
    int accepted = 0;
    const int perKind = 10'000'000 / static_cast<int>(fixed.size());
    for (const Bytes& f : fixed) {
        // A bare "BM" gets 54 bytes (file and version 3 headers); the fixed
        // fields get their whole DIB header.
        const size_t size = f.empty() ? 54 : 14 + f[8];
        for (int i = 0; i < perKind; ++i) {
            for (size_t at = 0; at < size; at += 8) {
                const uint64_t r = rng.next();
                std::memcpy(header + at, &r, std::min<size_t>(8, sizeof header - at));
            }
            header[0] = 'B';
            header[1] = 'M';
            std::copy(f.begin(), f.end(), header + 6);
            if (bmpFileSize(header, size) != 0)
                ++accepted;
        }
    }
    EXPECT_LE(accepted, 2);
}
