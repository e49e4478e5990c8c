#pragma once
// Material for the camera walker tests: files written by a real tool from a
// command line, and little-endian byte helpers for the synthetic files built
// where no tool writes the layout.

#include "walkers/WalkerTestSupport.h"

#include <cstring>

namespace walkertest {

// A real file written by `command`, in which every "%s" stands for the same
// path in `dir` without extension; the file read is that path + `extension`.
// Empty when a tool in `tools` (space-separated) is missing or the command
// fails.
inline Bytes makeWithTools(const ScratchDir& dir, const std::string& tools, std::string command,
                           const std::string& extension)
{
    static int serial = 0;
    const std::string base = dir.file("m" + std::to_string(++serial));
    size_t from = 0;
    while (from < tools.size()) {
        size_t to = tools.find(' ', from);
        to = to == std::string::npos ? tools.size() : to;
        if (!haveTool(tools.substr(from, to - from)))
            return {};
        from = to + 1;
    }
    for (size_t at = command.find("%s"); at != std::string::npos; at = command.find("%s", at + base.size()))
        command.replace(at, 2, base);
    if (!run(command))
        return {};
    return readFile(base + extension);
}

// Writes `value` little-endian into `b` at `at` (n bytes), growing `b`.
inline void putLe(Bytes& b, size_t at, uint64_t value, size_t n)
{
    if (b.size() < at + n)
        b.resize(at + n, 0);
    for (size_t i = 0; i < n; ++i)
        b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Writes `data` into `b` at `at`, growing `b`.
inline void putBytes(Bytes& b, size_t at, const void* data, size_t n)
{
    if (b.size() < at + n)
        b.resize(at + n, 0);
    std::memcpy(b.data() + at, data, n);
}

} // namespace walkertest
