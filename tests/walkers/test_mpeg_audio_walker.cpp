// MP3 and AAC ADTS walker: APEv2 and Lyrics3v2 tags behind the frames belong
// to the file; ADTS behind an ID3v2 tag is proven AAC. Needs ffmpeg.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

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

} // namespace
