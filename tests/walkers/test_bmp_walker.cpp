// BMP walker: real files made by ImageMagick (OS/2 core header, version 3,
// 4 and 5 headers; 1, 4, 8, 24 and 32 bits; RLE8) end at their size field
// whatever follows; a header whose fields do not fit together is refused;
// and 10 million random headers (a bare "BM", and the fixed fields of each
// BMP entry in the signature tables) give at most 2 accepts (none expected:
// the reserved fields alone leave 1 in 2^32, planes and bit count 1 in 2^29).
// Needs ImageMagick for the real files (the random part runs without it).

#include "engine/walkers/BmpWalker.h"
#include "walkers/ImageWalkerTestSupport.h"

#include <cstring>

using namespace walkertest;
using ostrel::walkers::bmpFileSize;
using ostrel::walkers::kBmpLongestHeader;

namespace {

class BmpWalkerTest : public MaterialTest<BmpWalkerTest> {
public:
    static MaterialRecipe recipe()
    {
        const std::string src = "convert -size 37x21 -seed 2 plasma: ";
        return {{"convert"},
                "",
                {
                    {"core 1 bit", src + "-colors 2 -type Palette BMP2:OUT"},
                    {"core 24 bit", src + "-type TrueColor BMP2:OUT"},
                    {"v3 4 bit", src + "-colors 16 -type Palette BMP3:OUT"},
                    {"v3 8 bit RLE8", src + "-colors 200 -type Palette -compress RLE BMP3:OUT"},
                    {"v3 24 bit", src + "-type TrueColor BMP3:OUT"},
                    {"v4 black and white", src + "-type Bilevel BMP:OUT"},
                    {"v5 8 bit", src + "-colors 200 -type Palette -compress None BMP:OUT"},
                    {"v5 24 bit", src + "-type TrueColor BMP:OUT"},
                    {"v5 32 bit", src + "-alpha on -type TrueColorAlpha BMP:OUT"},
                },
                {}};
    }
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

TEST_F(BmpWalkerTest, RealFilesEndAtTheirSizeField)
{
    for (const auto& [name, bmp] : files_) {
        SCOPED_TRACE(name);
        const Verdict whole{State::Ends, bmp.size()};
        EXPECT_EQ(walk("BMP", concat(bmp, randomBytes(4096, 3))), whole);
        EXPECT_EQ(walk("BMP", concat(bmp, Bytes(4096, 0))), whole);
        EXPECT_EQ(walk("BMP", bmp, 7), whole);
        EXPECT_EQ(walkPrefix("BMP", bmp, kBmpLongestHeader), whole) << "known from the header alone";
    }
}

TEST_F(BmpWalkerTest, FieldsThatDoNotFitAreRefused)
{
    const Bytes& bmp = file("v3 24 bit"); // 37 x 21, 112-byte rows, pixels at 54
    ASSERT_EQ(bmp.size(), 54u + 112 * 21);
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
