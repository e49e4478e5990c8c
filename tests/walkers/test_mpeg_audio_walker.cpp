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

// A frame sync at a sector start inside a proven stream is the stream going
// on (the engine drops the file it would start once the stream ends whole);
// a sync inside a frame's data is not.
TEST(MpegAudioWalker, FramesOfTheChainAreHeldByIt)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes aac = ffmpegMake(dir, "t.aac", kTone + " -c:a aac -f adts");
    ASSERT_GT(aac.size(), 4096u);
    auto walker = ostrel::walkers::makeWalker("AAC");
    size_t frame = 0; // the frame starts, from the frames' own lengths
    std::vector<size_t> starts;
    while (frame + 7 < 4096) {
        starts.push_back(frame);
        frame += static_cast<size_t>((aac[frame + 3] & 3) << 11 | aac[frame + 4] << 3 | aac[frame + 5] >> 5);
    }
    ASSERT_GT(starts.size(), 5u);
    EXPECT_FALSE(walker->embeds(0)) << "nothing is held before the stream is proven";
    walker->feed(aac.data(), 4096);
    for (size_t k = 4; k < starts.size(); ++k) {
        EXPECT_TRUE(walker->embeds(starts[k])) << starts[k];
        EXPECT_FALSE(walker->embeds(starts[k] + 1)) << starts[k] + 1;
    }
}

} // namespace
