// Ogg walker: Opus, Vorbis, Speex, FLAC and Theora+Vorbis files from ffmpeg
// (and oggenc/opusenc when present) end exactly after their last page and
// prove their codec; a chained file (two links) ends after the second link;
// a first page with a wrong CRC is refused; a stream cut before its last
// page and followed by foreign data is broken there, not ended. Needs ffmpeg.

#include "walkers/MediaMaterial.h"

using namespace walkertest;

namespace {

class OggFiles : public FfmpegFiles { };

TEST_P(OggFiles, EndExactlyAndProveTheirCodec)
{
    expectEndAndType();
    // Chained: a second link right behind the first.
    expectExactEnd("OGG", concat(file_, file_), std::string("chained ") + GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, OggFiles,
    ::testing::Values(FfmpegCase{"t.opus", "OGG", kTone + " -c:a libopus", "OPUS"},
        FfmpegCase{"t.ogg", "OGG", kTone + " -c:a libvorbis", "OGG"},
        FfmpegCase{"t.spx", "OGG", kTone + " -ar 16000 -c:a libspeex", "SPX"},
        FfmpegCase{"t.oga", "OGG", kTone + " -c:a flac", "OGA"},
        FfmpegCase{"t.ogv", "OGG", kClip + " " + kTone + " -c:v libtheora -c:a libvorbis", "OGV"}),
    caseName);

TEST(OggWalker, CommandLineEncoders)
{
    ScratchDir dir;
    if (!haveTool("ffmpeg") ||
        !run("cd '" + dir.path().string() + "' && ffmpeg -nostdin -loglevel error " + kTone + " t.wav"))
        GTEST_SKIP() << "ffmpeg is not installed";
    int tried = 0;
    for (const auto& [tool, name, proven] :
        {std::tuple{"oggenc", "e.ogg", "OGG"}, std::tuple{"opusenc", "e.opus", "OPUS"}}) {
        if (!haveTool(tool))
            continue;
        const std::string cmd =
            std::string(tool) + " --quiet t.wav " + (std::string(tool) == "oggenc" ? "-o " : "") + name;
        const Bytes file = shellMake(dir, name, cmd);
        ASSERT_FALSE(file.empty()) << cmd;
        expectExactEnd("OPUS", file, name);
        EXPECT_EQ(provenType("OGG", file), proven);
        ++tried;
    }
    if (tried == 0)
        GTEST_SKIP() << "neither oggenc nor opusenc is installed";
}

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
