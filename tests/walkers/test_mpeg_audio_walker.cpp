// MP3 and AAC ADTS walker: real streams from ffmpeg and lame (CBR, VBR,
// mono MPEG-2, with and without ID3v2, with ID3v1) end exactly after their
// last frame or tag; APEv2 and Lyrics3v2 tags behind the frames belong to the
// file; a frame sync at a sector start inside the stream lies inside the
// proven length; a bare frame sync followed by random data is refused; ADTS
// behind an ID3v2 tag is proven AAC. Needs ffmpeg (and lame for its cases).

#include "walkers/MediaMaterial.h"

using namespace walkertest;

namespace {

struct AudioCase {
    const char* name;
    const char* type;
    std::string command; // run in the scratch folder, writes `name`
};

std::string ff(const std::string& args, const char* name)
{
    return "ffmpeg -nostdin -y -loglevel error " + args + " " + name;
}

class MpegAudioFiles : public ::testing::TestWithParam<AudioCase> { };

TEST_P(MpegAudioFiles, EndExactlyAndStayOpenAcrossSectors)
{
    const AudioCase& c = GetParam();
    const std::string tool = c.command.substr(0, c.command.find(' '));
    if (!haveTool("ffmpeg") || !haveTool(tool))
        GTEST_SKIP() << tool << " is not installed";
    ScratchDir dir;
    ASSERT_TRUE(run("cd '" + dir.path().string() + "' && " + ff(kTone + " -ac 2", "tone.wav")));
    const Bytes file = shellMake(dir, c.name, c.command);
    ASSERT_GT(file.size(), 2000u) << c.command;
    expectExactEnd(c.type, file, c.name);

    expectOpenAcrossSectors(c.type, file);
}

INSTANTIATE_TEST_SUITE_P(Encoders, MpegAudioFiles,
    ::testing::Values(AudioCase{"cbr.mp3", "MP3", ff("-i tone.wav -c:a libmp3lame -b:a 64k", "cbr.mp3")},
        AudioCase{
            "bare.mp3", "MP3", ff("-i tone.wav -c:a libmp3lame -b:a 96k -id3v2_version 0 -write_xing 0", "bare.mp3")},
        AudioCase{"v1.mp3", "MP3", ff("-i tone.wav -c:a libmp3lame -q:a 4 -write_id3v1 1 -metadata title=T", "v1.mp3")},
        AudioCase{"mono.mp3", "MP3", ff("-i tone.wav -c:a libmp3lame -ar 22050 -ac 1 -id3v2_version 0", "mono.mp3")},
        AudioCase{"mp2.mp3", "MP3", ff("-i tone.wav -c:a mp2 -f mp2", "mp2.mp3")},
        AudioCase{"lame.mp3", "MP3", "lame --quiet -V 5 --tt Tone --ty 2024 tone.wav lame.mp3"},
        AudioCase{"lamecbr.mp3", "MP3", "lame --quiet -b 128 --id3v1-only --tt Tone tone.wav lamecbr.mp3"},
        AudioCase{"tone.aac", "AAC", ff("-i tone.wav -c:a aac -b:a 96k -f adts", "tone.aac")}),
    [](const auto& info) { return std::string(info.param.type) + std::to_string(info.index); });

Bytes apeTag()
{
    Bytes items;
    putLe(items, 4, 4);
    putLe(items, 0, 4);
    putText(items, "Title");
    items.push_back(0);
    putText(items, "Tone");
    auto block = [&](bool header) {
        Bytes b;
        putText(b, "APETAGEX");
        putLe(b, 2000, 4);
        putLe(b, items.size() + 32, 4);
        putLe(b, 1, 4);
        putLe(b, (1u << 31) | (header ? 1u << 29 : 0), 4);
        putLe(b, 0, 8);
        return b;
    };
    return concat(concat(block(true), items), block(false));
}

Bytes lyrics3()
{
    Bytes b;
    putText(b, "LYRICSBEGININD00002");
    putText(b, "10");
    putText(b, "LYR00011[00:00]Tone");
    const size_t size = b.size();
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06zu", size);
    putText(b, digits);
    putText(b, "LYRICS200");
    return b;
}

TEST(MpegAudioWalker, TagsBehindTheFramesBelongToTheFile)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes mp3 = ffmpegMake(dir, "t.mp3", kTone + " -c:a libmp3lame -b:a 64k -id3v2_version 0");
    ASSERT_FALSE(mp3.empty());
    Bytes v1;
    putText(v1, "TAG");
    v1.resize(128, ' ');
    expectExactEnd("MP3", concat(concat(concat(mp3, apeTag()), lyrics3()), v1), "APEv2 + Lyrics3v2 + ID3v1");
    expectExactEnd("MP3", concat(mp3, lyrics3()), "Lyrics3v2");
}

TEST(MpegAudioWalker, AdtsBehindAnId3TagIsAac)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes aac = ffmpegMake(dir, "t.aac", kTone + " -c:a aac -f adts");
    ASSERT_FALSE(aac.empty());
    Bytes tagged;
    putText(tagged, "ID3");
    putBe(tagged, 0x0300, 2);
    tagged.push_back(0);
    putBe(tagged, 0x00000100, 4); // 128 bytes of (zero) body, sync-safe
    tagged.resize(tagged.size() + 128, 0);
    tagged = concat(tagged, aac);
    expectExactEnd("MP3", tagged, "ID3v2 + ADTS");
    EXPECT_EQ(provenType("MP3", tagged), "AAC");
    EXPECT_EQ(provenType("MP3", ffmpegMake(dir, "t.mp3", kTone + " -c:a libmp3lame")), "");
}

TEST(MpegAudioWalker, BareFrameSyncsInRandomDataAreRefused)
{
    // The thorough table's two-byte frame syncs, each followed by random data.
    const struct {
        const char* type;
        uint8_t second;
    } syncs[] = {{"MP3", 0xFB}, {"MP3", 0xFA}, {"MP3", 0xF3}, {"MP3", 0xF2}, {"AAC", 0xF1}, {"AAC", 0xF9}};
    int passed = 0;
    for (const auto& s : syncs) {
        for (uint32_t seed = 1; seed <= 2000; ++seed) {
            Bytes b = randomBytes(ostrel::walkers::kHeaderLookahead, seed);
            b[0] = 0xFF;
            b[1] = s.second;
            passed += walk(s.type, b).state != State::NotFormat;
        }
    }
    EXPECT_EQ(passed, 0);
}

} // namespace
