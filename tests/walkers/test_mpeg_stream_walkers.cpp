// MPEG transport stream walker: packets in place behind a clip that name
// streams it never had, or whose time codes start anew (the next clip), are
// not part of it.
// Needs ffmpeg (skips without it).

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

TEST(MpegStreamWalkers, ClipEndsAtItsLastPacketBeforeAlignedPackets)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes ts = ffmpegMake(dir, "c.ts", kClip + " -c:v mpeg2video -f mpegts");
    ASSERT_FALSE(ts.empty());
    // Random packets that keep the sync byte in place but name streams the
    // clip never had: not part of the clip.
    Bytes junk = randomBytes(188 * 10, 4);
    for (size_t k = 0; k < 10; ++k) {
        junk[k * 188] = 0x47;
        junk[k * 188 + 1] = 0x1E; // PID 0x1Exx
    }
    EXPECT_EQ(walk("TS", concat(concat(ts, Bytes(junk.begin(), junk.begin() + 2 * 188)), randomBytes(4096, 2))),
        (Verdict{State::Ends, ts.size()}));
    // The next AVCHD clip recorded right behind: its time codes start anew.
    const Bytes m2ts = ffmpegMake(dir, "c.m2ts", kClip + " -c:v mpeg2video -f mpegts -mpegts_m2ts_mode 1");
    ASSERT_FALSE(m2ts.empty());
    EXPECT_EQ(walk("MTS", concat(m2ts, m2ts)), (Verdict{State::Ends, m2ts.size()}));
}

} // namespace
