// PNG walker on a file made by ImageMagick (the exact ends of every kind of
// PNG and MNG are in test_real_files.cpp): Continues over a JPEG stored in a
// private chunk at a sector boundary, Broken at an impossible chunk, and a
// bad CRC after the header that changes nothing. Needs ImageMagick.

#include "walkers/WalkerTestSupport.h"

#include <zlib.h>

using namespace walkertest;

namespace {

// A chunk of `type` holding `data`, with its CRC.
Bytes chunk(const char* type, const Bytes& data)
{
    Bytes c(8);
    putBe(c, 0, static_cast<uint32_t>(data.size()), 4);
    std::copy(type, type + 4, c.begin() + 4);
    c.insert(c.end(), data.begin(), data.end());
    c.resize(c.size() + 4);
    putBe(c, c.size() - 4, static_cast<uint32_t>(crc32(0, c.data() + 4, static_cast<uInt>(4 + data.size()))), 4);
    return c;
}

constexpr size_t kAfterIhdr = 8 + 25;

class PngWalkerTest : public ConvertTest {
protected:
    const Bytes& png = madeOnce("convert -size 120x90 -seed 4 plasma: PNG:OUT", "convert");
};

} // namespace

TEST_F(PngWalkerTest, JpegInAChunkAtASectorBoundaryIsInsideTheFile)
{
    const Bytes jpeg = readFile(kMaterialDir + "/thumb.jpg");
    // A private chunk after IHDR holding a JPEG at byte 1024.
    const size_t jpegAt = 1024;
    Bytes data(jpegAt - kAfterIhdr - 8, 0);
    data.insert(data.end(), jpeg.begin(), jpeg.end());
    Bytes file(png.begin(), png.begin() + kAfterIhdr);
    const Bytes c = chunk("prVt", data);
    file.insert(file.end(), c.begin(), c.end());
    file.insert(file.end(), png.begin() + kAfterIhdr, png.end());
    ASSERT_EQ(file[jpegAt], 0xFF);
    const Verdict before = walkPrefix("PNG", file, jpegAt);
    EXPECT_EQ(before.state, State::Continues);
    EXPECT_GE(before.offset, kAfterIhdr + c.size());
    expectExactEnd("PNG", file, "JPEG in a private chunk");
}

TEST_F(PngWalkerTest, DamageAfterTheHeader)
{
    const size_t second = kAfterIhdr; // the chunk after IHDR
    // A wrong CRC is no reason to cut the file.
    EXPECT_EQ(walk("PNG", concat(patched(png, second + 8 + static_cast<size_t>(png[second + 2] << 8 | png[second + 3]), {0, 0, 0, 0}), randomBytes(999, 1))),
              (Verdict{State::Ends, png.size()}));
    EXPECT_EQ(walk("PNG", patched(png, second + 4, {'I', 'D', '1', 'T'})), (Verdict{State::Broken, second}))
        << "a chunk type that is not four letters";
    EXPECT_EQ(walk("PNG", patched(png, second, {0x80, 0, 0, 0})), (Verdict{State::Broken, second}))
        << "a chunk longer than PNG allows";
}
