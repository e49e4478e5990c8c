// ASF walker: WMV, WMA and ASF files from ffmpeg end exactly after their
// last top-level object (index objects included) and prove WMV (a video
// stream) or WMA (audio only). Needs ffmpeg (skips without it).

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

} // namespace
