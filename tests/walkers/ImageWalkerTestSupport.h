#pragma once
// Helpers shared by the image walker tests: material made once per suite by
// shell commands, the verdict after a prefix of a file, and a count of how
// often a header check lets random bytes behind a magic through.

#include "walkers/WalkerTestSupport.h"

#include <map>

namespace walkertest {

inline const std::string kMaterialDir = std::string(OSTREL_SOURCE_DIR) + "/tests/material/";

// The verdict of a `type` walker after the first `n` bytes of `data`.
inline Verdict walkPrefix(const std::string& type, const Bytes& data, size_t n)
{
    return walk(type, Bytes(data.begin(), data.begin() + static_cast<long>(std::min(n, data.size()))));
}

// What a suite's real files are made with: the tools it needs, a command
// run first (SCRATCH is the scratch folder), the commands that each make one
// file (OUT is that file), and files of tests/material to add by name.
struct MaterialRecipe {
    std::vector<std::string> tools;
    std::string prepare;
    std::map<std::string, std::string> commands;
    std::map<std::string, std::string> repositoryFiles;
};

inline std::string substituted(std::string command, const std::string& placeholder, const std::string& value)
{
    for (size_t at; (at = command.find(placeholder)) != std::string::npos;)
        command.replace(at, placeholder.size(), value);
    return command;
}

// A test suite whose files are made once, by Suite::recipe(), in a scratch
// folder; every test skips when a tool is missing and fails when a command
// did not make its file.
template <typename Suite>
class MaterialTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const MaterialRecipe recipe = Suite::recipe();
        for (const std::string& tool : recipe.tools) {
            if (!haveTool(tool))
                return;
        }
        dir_ = new ScratchDir;
        if (!recipe.prepare.empty() && !run(substituted(recipe.prepare, "SCRATCH", dir_->path().string())))
            return;
        int n = 0;
        for (const auto& [name, command] : recipe.commands) {
            const std::string out = dir_->file("m" + std::to_string(n++));
            if (run(substituted(substituted(command, "SCRATCH", dir_->path().string()), "OUT", out)))
                files_[name] = readFile(out);
        }
        for (const auto& [name, file] : recipe.repositoryFiles)
            files_[name] = readFile(kMaterialDir + file);
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
        files_.clear();
    }
    void SetUp() override
    {
        const MaterialRecipe recipe = Suite::recipe();
        if (!dir_) {
            std::string tools;
            for (const std::string& tool : recipe.tools)
                tools += " " + tool;
            GTEST_SKIP() << "needs" << tools;
        }
        for (const auto& [name, command] : recipe.commands)
            ASSERT_TRUE(files_.count(name) && files_.at(name).size() > 100) << name << " was not made: " << command;
    }
    static const Bytes& file(const std::string& name) { return files_.at(name); }

    static inline ScratchDir* dir_ = nullptr;
    static inline std::map<std::string, Bytes> files_;
};

// How many of `tries` samples (each kHeaderLookahead random bytes with
// `magic` at the start) a `type` walker does not refuse as a header.
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

// Writes `v` big-endian at `at` of `b`.
inline void putBe32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// `data` with `bytes` written over it at `at`.
inline Bytes patched(Bytes data, size_t at, const Bytes& bytes)
{
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<long>(at));
    return data;
}

} // namespace walkertest
