#pragma once
// Material for the image walker tests: files made once per suite by shell
// commands, shared by the tests of the suite.

#include "walkers/WalkerTestSupport.h"

#include <map>

namespace walkertest {

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
            files_[name] = readFile(kMaterialDir + "/" + file);
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

} // namespace walkertest
