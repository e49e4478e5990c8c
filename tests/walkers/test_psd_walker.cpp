// The PSD/PSB walker: Photoshop files from ImageMagick (raw and RLE image
// data, 8 and 16 bit, grey, indexed, several layers, PSB) end exactly at
// their length; synthetic files cover ZIP image data (one deflate stream,
// and one per channel), which ImageMagick does not write; a header with
// random data behind it is refused. Needs ImageMagick `convert` for the real
// files (skips without) and zlib.

#include "walkers/CameraMaterial.h"

#include <zlib.h>

using namespace walkertest;

namespace {

const char* const kPsdCommands[] = {
    "convert -size 64x48 gradient:red-blue %s.psd",
    "convert -size 64x48 gradient:red-blue -depth 8 -compress rle %s.psd",
    "convert -size 64x48 gradient:red-blue -depth 8 -compress none %s.psd",
    "convert -size 64x48 gradient: -colorspace gray -depth 8 %s.psd",
    "convert -size 64x48 gradient:red-blue -type palette -depth 8 %s.psd",
    "convert -size 64x48 gradient:red-blue -size 64x48 plasma:fractal -depth 8 -compress rle %s.psd",
};

Bytes deflated(const Bytes& plain)
{
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    Bytes out(size);
    compress2(out.data(), &size, plain.data(), static_cast<uLong>(plain.size()), 6);
    out.resize(size);
    return out;
}

// An 8-bit RGB PSD of 32x16 pixels with empty sections and ZIP image data:
// one deflate stream, or one per channel.
Bytes zipPsd(bool perChannel)
{
    Bytes b;
    putBytes(b, 0, "8BPS\0\1\0\0\0\0\0\0\0\3", 14);
    putLe(b, 14, 0x10000000, 4); // height 16, big-endian
    putLe(b, 18, 0x20000000, 4); // width 32
    putBytes(b, 22, "\0\x08\0\x03", 4);
    b.resize(26 + 12 + 2, 0);
    b.back() = 2;
    const Bytes plane = randomBytes(32 * 16, 5);
    if (perChannel) {
        for (int c = 0; c < 3; ++c)
            b = concat(b, deflated(plane));
    } else {
        b = concat(b, deflated(concat(plane, concat(plane, plane))));
    }
    return b;
}

} // namespace

TEST(PsdWalker, RealFilesEndExactly)
{
    ScratchDir dir;
    int made = 0;
    for (const char* command : kPsdCommands) {
        const Bytes file = makeWithTools(dir, "convert", command, ".psd");
        if (file.empty())
            continue;
        ++made;
        expectExactEnd("PSD", file, command);
        EXPECT_EQ(provenType("PSD", file), "PSD");
        // Header fields with random bytes behind them are no header.
        EXPECT_EQ(walk("PSD", concat(Bytes(file.begin(), file.begin() + 26), randomBytes(8192, 11))).state,
                  State::NotFormat);
    }
    const Bytes psb = makeWithTools(dir, "convert", "convert -size 64x48 gradient:red-blue %s.psb", ".psb");
    if (!psb.empty()) {
        expectExactEnd("PSB", psb, "PSB");
        EXPECT_EQ(provenType("PSB", psb), "PSB");
    }
    if (made == 0)
        GTEST_SKIP() << "ImageMagick convert is not installed";
}

TEST(PsdWalker, ZipImageDataEndsWithItsLastStream)
{
    expectExactEnd("PSD", zipPsd(false), "one deflate stream");
    expectExactEnd("PSD", zipPsd(true), "a deflate stream per channel");
    Bytes damaged = zipPsd(false);
    damaged[40] ^= 0xff; // the zlib header
    EXPECT_EQ(walk("PSD", damaged).state, State::Broken);
}
