#pragma once
// Helpers for the walker tests: material made by real tools in a fresh
// scratch folder (or by document_material.py), byte writers for the files
// built here, and the standard questions asked of every walker (does a whole
// file end exactly at its length, followed by random data or zeros; does a
// cut file never claim an end beyond its data; how often does a header check
// let random bytes behind a magic through).

#include "engine/walkers/FormatWalker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace walkertest {

using Bytes = std::vector<uint8_t>;
using ostrel::walkers::State;
using ostrel::walkers::Verdict;

inline const std::string kMaterialDir = OSTREL_SOURCE_DIR "/tests/material";

// One second of a 440 Hz tone and of a tiny test picture (ffmpeg inputs).
inline const std::string kTone = "-f lavfi -i sine=frequency=440:duration=1";
inline const std::string kClip = "-f lavfi -i testsrc=duration=1:size=64x48:rate=5";

// A fresh scratch folder (mkdtemp), removed when the object goes.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "walker-test-XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Runs a shell command quietly; true when it exited 0.
inline bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool haveTool(const std::string& tool)
{
    return run("command -v " + tool);
}

// The first tool of the space-separated `tools` that is not installed, or "".
inline std::string missingTool(const std::string& tools)
{
    for (size_t from = 0; from < tools.size();) {
        const size_t to = std::min(tools.find(' ', from), tools.size());
        if (!haveTool(tools.substr(from, to - from)))
            return tools.substr(from, to - from);
        from = to + 1;
    }
    return {};
}

inline Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a shell `command` in `dir` (which writes `name`); the file's bytes or
// empty.
inline Bytes shellMake(const ScratchDir& dir, const std::string& name, const std::string& command)
{
    if (!run("(cd '" + dir.path().string() + "' && " + command + ")"))
        return {};
    return readFile(dir.file(name));
}

// The file a shell `command` writes to OUT, made once per test program in
// a shared scratch folder (so later commands may read what earlier ones
// left there). Empty when one of the space-separated `tools` is missing (the
// test skips on that itself); a command that makes nothing adds a failure.
inline const Bytes& madeOnce(const std::string& command, const std::string& tools = "")
{
    static const Bytes none;
    if (!tools.empty() && !missingTool(tools).empty())
        return none;
    static ScratchDir dir;
    static std::map<std::string, Bytes> made;
    if (const auto it = made.find(command); it != made.end())
        return it->second;
    const std::string name = "made" + std::to_string(made.size());
    std::string c = command;
    for (size_t at; (at = c.find("OUT")) != std::string::npos;)
        c.replace(at, 3, name);
    Bytes bytes = shellMake(dir, name, c);
    if (bytes.size() < 100)
        ADD_FAILURE() << "not made: " << command;
    return made.emplace(command, std::move(bytes)).first->second;
}

// A fixture whose tests skip when ImageMagick's convert is missing.
class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveTool("convert"))
            GTEST_SKIP() << "convert is not installed";
    }
};

// ffmpeg with `args` writing `name` in `dir`; empty when it fails.
inline Bytes ffmpegMake(const ScratchDir& dir, const std::string& name, const std::string& args)
{
    return shellMake(dir, name, "ffmpeg -nostdin -y -loglevel error " + args + " '" + name + "'");
}

// The folder holding the files document_material.py writes (once per test
// program); empty when python3 is missing or the script failed.
inline std::string documentMaterial()
{
    static std::unique_ptr<ScratchDir> dir;
    static bool made = false;
    if (!dir) {
        dir = std::make_unique<ScratchDir>();
        made = haveTool("python3") && run("python3 " OSTREL_SOURCE_DIR "/tests/walkers/document_material.py " +
                                          dir->path().string() + " " + kMaterialDir + "/photo.jpg");
    }
    return made ? dir->path().string() : std::string();
}

inline Bytes randomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out)
        b = static_cast<uint8_t>(rng());
    return out;
}

inline Bytes concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// `data` with `bytes` written over it at `at`.
inline Bytes patched(Bytes data, size_t at, const Bytes& bytes)
{
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<long>(at));
    return data;
}

// Appending writers (files built front to back) ...
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

// ... and writers at an offset, growing `b` as needed (layouts by offset).
inline void putLe(Bytes& b, size_t at, uint64_t value, size_t n)
{
    if (b.size() < at + n)
        b.resize(at + n, 0);
    for (size_t i = 0; i < n; ++i)
        b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void putBe(Bytes& b, size_t at, uint64_t value, size_t n)
{
    if (b.size() < at + n)
        b.resize(at + n, 0);
    for (size_t i = 0; i < n; ++i)
        b[at + i] = static_cast<uint8_t>(value >> (8 * (n - 1 - i)));
}

inline void putBytes(Bytes& b, size_t at, const void* data, size_t n)
{
    if (b.size() < at + n)
        b.resize(at + n, 0);
    std::memcpy(b.data() + at, data, n);
}

// Feeds `data` to a new walker of `type` in pieces of `piece` bytes (the
// engine feeds whole sectors; odd sizes test the gathering). Returns the
// verdict after the last piece.
inline Verdict walk(const std::string& type, const Bytes& data, size_t piece = 512)
{
    auto walker = ostrel::walkers::makeWalker(type);
    if (!walker)
        return Verdict{};
    Verdict v = walker->verdict();
    for (size_t at = 0; at < data.size() && !v.final(); at += piece)
        v = walker->feed(data.data() + at, std::min(piece, data.size() - at));
    return v;
}

// The verdict of a `type` walker after the first `n` bytes of `data`.
inline Verdict walkPrefix(const std::string& type, const Bytes& data, size_t n)
{
    return walk(type, Bytes(data.begin(), data.begin() + static_cast<long>(std::min(n, data.size()))));
}

inline std::string provenType(const std::string& type, const Bytes& data)
{
    auto walker = ostrel::walkers::makeWalker(type);
    if (!walker)
        return {};
    walker->feed(data.data(), data.size());
    return walker->provenType();
}

// The standard checks for one whole file of `type`:
// - followed by random data, and by zeros, it ends exactly at its length
//   (fed in sectors and in odd pieces);
// - cut at half its length it never claims an end or a break beyond the cut
//   and is not refused as a header; a format whose header declares the
//   file's size (`sizeInHeader`) ends a cut file at that size.
inline void expectExactEnd(const std::string& type, const Bytes& file, const std::string& what,
                           bool sizeInHeader = false)
{
    SCOPED_TRACE(type + ": " + what);
    ASSERT_FALSE(file.empty());
    const Verdict whole{State::Ends, file.size()};
    EXPECT_EQ(walk(type, concat(file, randomBytes(64 * 1024, 7))), whole) << "followed by random data";
    EXPECT_EQ(walk(type, concat(file, Bytes(64 * 1024, 0))), whole) << "followed by zeros";
    EXPECT_EQ(walk(type, concat(file, randomBytes(4096, 9)), 333), whole) << "fed in odd pieces";
    const Bytes half(file.begin(), file.begin() + static_cast<long>(file.size() / 2));
    const Verdict cut = walk(type, half);
    EXPECT_NE(cut.state, State::NotFormat) << "a cut file is still a header";
    if (sizeInHeader) {
        EXPECT_EQ(cut, whole) << "the size in the header ends a cut file";
    } else if (cut.state == State::Ends || cut.state == State::Broken) {
        EXPECT_LE(cut.offset, half.size()) << "a cut file claims bytes it does not have";
    }
}

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

// How many of `tries` samples (`magic`, then random bytes up to the header
// check's look-ahead) a `type` walker does not refuse as a header.
inline int acceptedRandomHeaders(const std::string& type, const Bytes& magic, int tries)
{
    static const Bytes pool = randomBytes(1 << 20, 99);
    std::mt19937 rng(5);
    int accepted = 0;
    for (int i = 0; i < tries; ++i) {
        const size_t at = rng() % (pool.size() - ostrel::walkers::kHeaderLookahead);
        Bytes sample(pool.begin() + static_cast<long>(at),
                     pool.begin() + static_cast<long>(at + ostrel::walkers::kHeaderLookahead));
        std::copy(magic.begin(), magic.end(), sample.begin());
        if (walk(type, sample).state != State::NotFormat)
            ++accepted;
    }
    return accepted;
}

} // namespace walkertest
