#pragma once
// Material for the audio and video walker tests: small files made by ffmpeg
// from its built-in test sources, and little-endian / big-endian writers for
// the files that python or the test itself builds by hand.

#include "walkers/WalkerTestSupport.h"

#include <string>

namespace walkertest {

// One second of a 440 Hz tone and of a tiny test picture.
inline const std::string kTone = "-f lavfi -i sine=frequency=440:duration=1";
inline const std::string kClip = "-f lavfi -i testsrc=duration=1:size=64x48:rate=5";

// Runs ffmpeg with `args` writing `name` in `dir`; the file's bytes, empty
// when ffmpeg is missing or fails (the caller skips).
inline Bytes ffmpegMake(const ScratchDir& dir, const std::string& name, const std::string& args)
{
    const std::string out = dir.file(name);
    if (!run("ffmpeg -nostdin -y -loglevel error " + args + " '" + out + "'"))
        return {};
    return readFile(out);
}

// Runs a shell `command` in `dir` (which writes `name`); the file's bytes or
// empty.
inline Bytes shellMake(const ScratchDir& dir, const std::string& name, const std::string& command)
{
    if (!run("(cd '" + dir.path().string() + "' && " + command + ")"))
        return {};
    return readFile(dir.file(name));
}

// One file made by ffmpeg: its name, the walker type, ffmpeg's arguments
// and the type the walker must prove (null: not checked).
struct FfmpegCase {
    const char* name;
    const char* type;
    std::string args;
    const char* proven = nullptr;
};

inline std::string caseName(const ::testing::TestParamInfo<FfmpegCase>& info)
{
    return std::string(info.param.type) + std::to_string(info.index);
}

// Tests over files made by ffmpeg: SetUp makes the case's file (file_) in a
// scratch folder, or skips the test when ffmpeg is missing or cannot make it.
class FfmpegFiles : public ::testing::TestWithParam<FfmpegCase> {
protected:
    void SetUp() override
    {
        if (!haveTool("ffmpeg"))
            GTEST_SKIP() << "ffmpeg is not installed";
        file_ = ffmpegMake(dir_, GetParam().name, GetParam().args);
        if (file_.empty())
            GTEST_SKIP() << "ffmpeg could not make " << GetParam().name << " (" << GetParam().args << ")";
    }

    // The file ends exactly (expectExactEnd) and proves the case's type.
    void expectEndAndType() const
    {
        expectExactEnd(GetParam().type, file_, GetParam().name);
        if (GetParam().proven) {
            EXPECT_EQ(provenType(GetParam().type, file_), GetParam().proven);
        }
    }

    ScratchDir dir_;
    Bytes file_;
};

// Fed sector by sector, every sector start from `from` on (but the last
// two) lies below the proven length once its sector is fed: a header found
// there does not cut the open file.
inline void expectOpenAcrossSectors(const std::string& type, const Bytes& file, size_t from = 8192)
{
    auto walker = ostrel::walkers::makeWalker(type);
    ASSERT_TRUE(walker);
    for (size_t at = 0; at + 1024 < file.size(); at += 512) {
        const Verdict v = walker->feed(file.data() + at, 512);
        if (at >= from) {
            ASSERT_TRUE(v.state == State::Continues && v.offset > at) << type << " sector at " << at;
        }
    }
}

inline void putBe(Bytes& out, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void putLe(Bytes& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void putText(Bytes& out, const std::string& text)
{
    out.insert(out.end(), text.begin(), text.end());
}

} // namespace walkertest
