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
