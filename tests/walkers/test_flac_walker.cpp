// FLAC walker: files from the flac encoder (block sizes, bit depths, mono,
// a picture block) and from ffmpeg end exactly behind their last frame,
// found by reading that frame's bits and its CRC-16; a stream without a
// total sample count (written to a pipe) gets no end; impossible STREAMINFO
// values are refused. Needs flac and ffmpeg (skips without them).

#include "walkers/MediaMaterial.h"

using namespace walkertest;

namespace {

struct FlacCase {
    const char* name;
    std::string command;
};

class FlacFiles : public ::testing::TestWithParam<FlacCase> { };

TEST_P(FlacFiles, EndExactlyBehindTheLastFrame)
{
    const FlacCase& c = GetParam();
    const std::string tool = c.command.substr(0, c.command.find(' '));
    if (!haveTool("ffmpeg") || !haveTool(tool))
        GTEST_SKIP() << tool << " is not installed";
    ScratchDir dir;
    ASSERT_TRUE(run("cd '" + dir.path().string() +
        "' && ffmpeg -nostdin -loglevel error -f lavfi -i "
        "'sine=frequency=440:duration=2,aeval=val(0)*0.7+random(0)*0.01' -ac 2 t16.wav && "
        "ffmpeg -nostdin -loglevel error -i t16.wav -ac 1 -ar 8000 m8.wav && "
        "ffmpeg -nostdin -loglevel error -i t16.wav -c:a pcm_s24le t24.wav && "
        "convert -size 32x32 xc:red p.png"));
    const Bytes file = shellMake(dir, c.name, c.command);
    ASSERT_GT(file.size(), 4096u) << c.command;
    expectExactEnd("FLAC", file, c.name);
}

INSTANTIATE_TEST_SUITE_P(Encoders, FlacFiles,
    ::testing::Values(FlacCase{"a.flac", "flac -s --best t16.wav -o a.flac"},
        FlacCase{"b.flac", "flac -s -0 -b 1152 t16.wav -o b.flac"}, FlacCase{"c.flac", "flac -s -5 t24.wav -o c.flac"},
        FlacCase{"d.flac", "flac -s -8 -b 192 m8.wav -o d.flac"},
        FlacCase{"e.flac", "flac -s --picture=p.png --tag=TITLE=Tone t16.wav -o e.flac"},
        FlacCase{"f.flac", "ffmpeg -nostdin -loglevel error -i t16.wav -c:a flac f.flac"},
        FlacCase{"g.flac", "ffmpeg -nostdin -loglevel error -i t24.wav -c:a flac -compression_level 12 g.flac"}),
    [](const auto& info) { return std::to_string(info.index); });

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
