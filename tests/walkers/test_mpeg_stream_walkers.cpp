// MPEG transport and program stream walkers: TS, M2TS/MTS (192-byte
// packets) and program streams (MPEG-1 system, MPEG-2 PS, DVD VOB) made by
// ffmpeg end exactly after their last packet or end code; a table packet at
// a sector start inside a clip lies inside the proven length; packets in
// place behind a clip that name streams it never had, or whose time codes
// start anew (the next clip), are not part of it.
// Needs ffmpeg (skips without it).

#include "walkers/MediaMaterial.h"

using namespace walkertest;

namespace {

class MpegStreams : public FfmpegFiles { };

const std::string kClipAndTone = kClip + " " + kTone + " -shortest";

TEST_P(MpegStreams, EndExactlyAndStayOpenAcrossSectors)
{
    expectEndAndType();
    expectOpenAcrossSectors(GetParam().type, file_);
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, MpegStreams,
    ::testing::Values(FfmpegCase{"clip.ts", "TS", kClipAndTone + " -c:v mpeg2video -c:a mp2 -f mpegts", ""},
        FfmpegCase{"clip.m2ts", "MTS", kClipAndTone + " -c:v mpeg2video -c:a mp2 -f mpegts -mpegts_m2ts_mode 1", ""},
        FfmpegCase{"clip.mpg", "MPG", kClipAndTone + " -r 25 -c:v mpeg1video -c:a mp2 -f mpeg", ""},
        FfmpegCase{"clip.vob", "VOB", kClipAndTone + " -c:v mpeg2video -c:a mp2 -f vob", ""},
        FfmpegCase{"dvd.vob", "MPG", kClipAndTone + " -c:v mpeg2video -c:a mp2 -f dvd", "VOB"}),
    caseName);

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
