// FLAC walker: a stream without a total sample count (written to a pipe)
// gets no end; impossible STREAMINFO values are refused. Needs ffmpeg for the
// piped stream (skips it without).

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

TEST(FlacWalker, NoTotalSampleCountGivesNoEnd)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ScratchDir dir;
    const Bytes piped =
        shellMake(dir, "p.flac", "ffmpeg -nostdin -loglevel error " + kTone + " -c:a flac -f flac - > p.flac");
    ASSERT_GT(piped.size(), 4096u);
    const Verdict v = walk("FLAC", concat(piped, randomBytes(8192, 1)));
    EXPECT_EQ(v.state, State::Continues);
    EXPECT_LE(v.offset, piped.size());
}

TEST(FlacWalker, RefusesImpossibleStreamInfo)
{
    Bytes good;
    putText(good, "fLaC");
    putBe(good, 0x80000022, 4);
    putBe(good, 4096, 2);             // min block
    putBe(good, 4096, 2);             // max block
    putBe(good, 0, 6);                // frame sizes unknown
    putBe(good, 0x0AC44170, 4);       // 44100 Hz, 1 channel, 24 bits, total high bits
    good.resize(good.size() + 20, 0); // total and MD5
    EXPECT_NE(walk("FLAC", concat(good, randomBytes(8192, 2))).state, State::NotFormat);
    auto changed = [&](size_t at, uint8_t value) {
        Bytes b = good;
        b.at(at) = value;
        return concat(b, randomBytes(8192, 2));
    };
    // A minimum block of 8 samples, a maximum below the minimum, a STREAMINFO of 35 bytes.
    for (const Bytes& b : {changed(9, 8), changed(10, 0), changed(7, 0x23)})
        EXPECT_EQ(walk("FLAC", b).state, State::NotFormat);
}

} // namespace
