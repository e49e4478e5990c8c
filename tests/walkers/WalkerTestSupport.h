#pragma once
// Helpers for the walker tests: material made by real encoders in a fresh
// scratch folder, and the standard questions asked of every walker (does a
// whole file end exactly at its length, followed by random data or zeros;
// does a cut file never claim an end beyond its data).

#include "engine/walkers/FormatWalker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace walkertest {

using Bytes = std::vector<uint8_t>;
using ostrel::walkers::State;
using ostrel::walkers::Verdict;

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

inline Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
//   and is not refused as a header.
inline void expectExactEnd(const std::string& type, const Bytes& file, const std::string& what)
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
    if (cut.state == State::Ends || cut.state == State::Broken) {
        EXPECT_LE(cut.offset, half.size()) << "a cut file claims bytes it does not have";
    }
}

} // namespace walkertest
