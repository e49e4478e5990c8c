// RIFF walker (WAV, AVI, WEBP, RF64): an OpenDML AVI ends after its last
// RIFF AVIX; a WAV
// streamed to a pipe (sizes never written) is never given an end; headers
// whose sizes cannot hold the first chunk are refused. Needs ffmpeg (skips
// without it).

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

// A RIFF AVIX list of `payload` bytes, as OpenDML appends after the first
// gigabyte.
Bytes avix(size_t payload)
{
    Bytes out;
    putText(out, "RIFF");
    putLe(out, 4 + 12 + payload, 4);
    putText(out, "AVIXLIST");
    putLe(out, 4 + payload, 4);
    putText(out, "movi");
    const Bytes data = randomBytes(payload, 3);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

TEST(RiffWalker, OpenDmlAviEndsAfterItsLastAvix)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes avi = ffmpegMake(dir, "clip.avi", kClip + " -c:v mjpeg");
    ASSERT_FALSE(avi.empty());
    const Bytes chained = concat(concat(avi, avix(3000)), avix(1002));
    expectExactEnd("AVI", chained, "RIFF AVI + 2 AVIX");
    // Another RIFF right behind (a WAV) is not a continuation.
    const Bytes wav = ffmpegMake(dir, "tone.wav", kTone);
    ASSERT_FALSE(wav.empty());
    EXPECT_EQ(walk("AVI", concat(avi, wav)), (Verdict{State::Ends, avi.size()}));
}

TEST(RiffWalker, UnwrittenSizesGiveNoEnd)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes piped =
        shellMake(dir, "piped.wav", "ffmpeg -nostdin -loglevel error " + kTone + " -f wav - > piped.wav");
    ASSERT_GT(piped.size(), 1000u);
    const Verdict v = walk("WAV", concat(piped, randomBytes(8192, 5)));
    EXPECT_FALSE(v.final()) << "a stream without sizes has no known end";
}

TEST(RiffWalker, RefusesImpossibleHeaders)
{
    auto header = [](const char* magic, uint32_t size, const char* form, const char* chunk, uint32_t chunkSize) {
        Bytes b;
        putText(b, magic);
        putLe(b, size, 4);
        putText(b, form);
        putText(b, chunk);
        putLe(b, chunkSize, 4);
        return concat(b, randomBytes(8192, 11));
    };
    // A size too small for the first chunk, an unknown form, a WAV format
    // chunk of impossible size, a WEBP without a VP8 chunk, RF64 without ds64.
    for (const Bytes& b : {header("RIFF", 20, "WAVE", "fmt ", 16), header("RIFF", 5000, "XYZW", "fmt ", 16),
             header("RIFF", 5000, "WAVE", "fmt ", 3), header("RIFF", 5000, "WEBP", "fmt ", 16),
             header("RF64", 0xFFFFFFFF, "WAVE", "fmt ", 16), header("RIFF", 5000, "WAVE", "\x01\x02\x03\x04", 16)})
        EXPECT_EQ(walk("WAV", b).state, State::NotFormat);
    EXPECT_EQ(walk("WAV", header("RIFF", 5000, "WAVE", "fmt ", 16)), (Verdict{State::Ends, 5008}));
}

} // namespace
