// Ogg walker on damage: a first page with a wrong CRC is refused; a stream
// cut before its last page and followed by foreign data is broken there, not
// ended. Needs ffmpeg.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

TEST(OggWalker, WrongFirstPageCrcIsRefusedAndCutStreamsBreak)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes file = ffmpegMake(dir, "t.ogg", kTone + " -c:a libvorbis");
    ASSERT_GT(file.size(), 4000u);
    Bytes bad = file;
    bad[30] ^= 0x01; // inside the first packet
    EXPECT_EQ(walk("OGG", bad).state, State::NotFormat);

    // Cut in the middle and followed by random data: broken behind the page
    // the cut falls in (its length still counts).
    const Bytes longer = ffmpegMake(dir, "long.ogg", "-f lavfi -i sine=frequency=440:duration=8 -c:a libvorbis");
    const Bytes cut(longer.begin(), longer.begin() + static_cast<long>(longer.size() / 2));
    const Verdict v = walk("OGG", concat(cut, randomBytes(80000, 3)));
    EXPECT_EQ(v.state, State::Broken);
    EXPECT_GT(v.offset, cut.size() / 2);
    EXPECT_LE(v.offset, cut.size() + 65307) << "no page is longer";
}

} // namespace
