// ASF walker: WMV, WMA and ASF files from ffmpeg end exactly after their
// last top-level object (index objects included) and prove WMV (a video
// stream) or WMA (audio only); the shared header GUID followed by random
// data is refused. Needs ffmpeg (skips without it).

#include "walkers/MediaMaterial.h"

using namespace walkertest;

namespace {

struct AsfCase {
    const char* name;
    std::string args;
    const char* proven;
};

class AsfFiles : public ::testing::TestWithParam<AsfCase> {};

TEST_P(AsfFiles, EndExactlyAndProveTheirType)
{
    const AsfCase& c = GetParam();
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes file = ffmpegMake(dir, c.name, c.args);
    ASSERT_GT(file.size(), 2048u) << c.args;
    for (const char* type : {"WMV", "WMA", "ASF"})
        expectExactEnd(type, file, c.name);
    EXPECT_EQ(provenType("ASF", file), c.proven);
}

INSTANTIATE_TEST_SUITE_P(
    Ffmpeg, AsfFiles,
    ::testing::Values(AsfCase{"a.wmv", kClip + " " + kTone + " -shortest -c:v wmv2 -c:a wmav2", "WMV"},
                      AsfCase{"b.wma", kTone + " -c:a wmav2", "WMA"},
                      AsfCase{"c.asf", kClip + " -c:v msmpeg4", "WMV"}),
    [](const auto& info) { return std::string(info.param.proven) + std::to_string(info.index); });

TEST(AsfWalker, HeaderGuidFollowedByRandomDataIsRefused)
{
    const uint8_t guid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    int passed = 0;
    for (uint32_t seed = 1; seed <= 1000; ++seed) {
        Bytes b = randomBytes(ostrel::walkers::kHeaderLookahead, seed);
        std::copy(guid, guid + 16, b.begin());
        passed += walk("WMV", b).state != State::NotFormat;
    }
    EXPECT_EQ(passed, 0);
}

} // namespace
