// ASF walker: WMV, WMA and ASF files from ffmpeg end exactly after their
// last top-level object (index objects included) and prove WMV (a video
// stream) or WMA (audio only). Needs ffmpeg (skips without it).

#include "walkers/MediaMaterial.h"

using namespace walkertest;

namespace {

class AsfFiles : public FfmpegFiles { };

TEST_P(AsfFiles, EndExactlyAndProveTheirType)
{
    expectEndAndType();
    for (const char* type : {"WMA", "ASF"})
        expectExactEnd(type, file_, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, AsfFiles,
    ::testing::Values(FfmpegCase{"a.wmv", "WMV", kClip + " " + kTone + " -shortest -c:v wmv2 -c:a wmav2", "WMV"},
        FfmpegCase{"b.wma", "WMV", kTone + " -c:a wmav2", "WMA"},
        FfmpegCase{"c.asf", "WMV", kClip + " -c:v msmpeg4", "WMV"}),
    caseName);

} // namespace
