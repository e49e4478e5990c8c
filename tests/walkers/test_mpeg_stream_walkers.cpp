// MPEG transport and program stream walkers: TS, M2TS/MTS (192-byte
// packets) and program streams (MPEG-1 system, MPEG-2 PS, DVD VOB) made by
// ffmpeg end exactly after their last packet or end code; a table packet at
// a sector start inside a clip lies inside the proven length; the thorough
// table's packet and pack headers followed by random data are refused.
// Needs ffmpeg (skips without it).

#include "walkers/MediaMaterial.h"

using namespace walkertest;

namespace {

struct StreamCase {
    const char* name;
    const char* type;
    std::string args;
    const char* proven;
};

class MpegStreams : public ::testing::TestWithParam<StreamCase> {};

const std::string kClipAndTone = kClip + " " + kTone + " -shortest";

TEST_P(MpegStreams, EndExactlyAndStayOpenAcrossSectors)
{
    const StreamCase& c = GetParam();
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes file = ffmpegMake(dir, c.name, c.args);
    ASSERT_GT(file.size(), 8192u) << c.args;
    expectExactEnd(c.type, file, c.name);
    EXPECT_EQ(provenType(c.type, file), c.proven);
    auto walker = ostrel::walkers::makeWalker(c.type);
    for (size_t at = 0; at + 1024 < file.size(); at += 512) {
        const Verdict v = walker->feed(file.data() + at, 512);
        if (at >= 8192)
            ASSERT_TRUE(v.state == State::Continues && v.offset > at) << "sector at " << at;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ffmpeg, MpegStreams,
    ::testing::Values(
        StreamCase{"clip.ts", "TS", kClipAndTone + " -c:v mpeg2video -c:a mp2 -f mpegts", ""},
        StreamCase{"clip.m2ts", "MTS", kClipAndTone + " -c:v mpeg2video -c:a mp2 -f mpegts -mpegts_m2ts_mode 1", ""},
        StreamCase{"clip.mpg", "MPG", kClipAndTone + " -r 25 -c:v mpeg1video -c:a mp2 -f mpeg", ""},
        StreamCase{"clip.vob", "VOB", kClipAndTone + " -c:v mpeg2video -c:a mp2 -f vob", ""},
        StreamCase{"dvd.vob", "MPG", kClipAndTone + " -c:v mpeg2video -c:a mp2 -f dvd", "VOB"}),
    [](const auto& info) { return std::string(info.param.type) + std::to_string(info.index); });

TEST(MpegStreamWalkers, TableHeadersFollowedByRandomDataAreRefused)
{
    const struct {
        const char* type;
        Bytes header;
        size_t at;
    } headers[] = {
        {"TS", {0x47, 0x40, 0x00, 0x10, 0x00, 0x00, 0xB0}, 0},
        {"MTS", {0x47, 0x40, 0x00, 0x10, 0x00, 0x00}, 4},
        {"MPG", {0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01}, 0},
        {"MPG", {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01}, 0},
    };
    for (const auto& h : headers) {
        for (uint32_t seed = 1; seed <= 500; ++seed) {
            Bytes b = randomBytes(ostrel::walkers::kHeaderLookahead, seed);
            std::copy(h.header.begin(), h.header.end(), b.begin() + static_cast<long>(h.at));
            EXPECT_EQ(walk(h.type, b).state, State::NotFormat) << h.type << " seed " << seed;
        }
    }
}

TEST(MpegStreamWalkers, ClipBehindPacketAlignedJunkEndsAtTheLastPacket)
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
}

} // namespace
