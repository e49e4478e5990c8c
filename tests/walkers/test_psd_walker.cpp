// The PSD walker on ZIP image data (one deflate stream, and one per
// channel), which ImageMagick does not write. Needs zlib.

#include "walkers/WalkerTestSupport.h"

#include <zlib.h>

using namespace walkertest;

namespace {

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

TEST(PsdWalker, ZipImageDataEndsWithItsLastStream)
{
    expectExactEnd("PSD", zipPsd(false), "one deflate stream");
    expectExactEnd("PSD", zipPsd(true), "a deflate stream per channel");
    Bytes damaged = zipPsd(false);
    damaged[40] ^= 0xff; // the zlib header
    EXPECT_EQ(walk("PSD", damaged).state, State::Broken);
}
