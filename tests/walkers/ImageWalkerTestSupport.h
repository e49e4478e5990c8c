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

// Runs each command with OUT replaced by a scratch file and keeps what it
// made under the command's name; a command that fails is left out.
inline std::map<std::string, Bytes> makeMaterial(const ScratchDir& dir,
                                                 const std::map<std::string, std::string>& commands)
{
    std::map<std::string, Bytes> made;
    int n = 0;
    for (const auto& [name, command] : commands) {
        const std::string out = dir.file("m" + std::to_string(n++));
        std::string c = command;
        for (size_t at; (at = c.find("OUT")) != std::string::npos;)
            c.replace(at, 3, out);
        if (run(c))
            made[name] = readFile(out);
    }
    return made;
}

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

// `data` with `bytes` written over it at `at`.
inline Bytes patched(Bytes data, size_t at, const Bytes& bytes)
{
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<long>(at));
    return data;
}

} // namespace walkertest
