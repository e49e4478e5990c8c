#pragma once
// Small byte tests shared by the chunk-based media walkers (RIFF, IFF, CAF,
// RealMedia ...): four-character codes and the lists of codes a format allows.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace ostrel::walkers {

// True when the four bytes at `p` spell `code` (exactly four characters).
inline bool isFourCC(const uint8_t* p, const char* code)
{
    return std::memcmp(p, code, 4) == 0;
}

// True when the four bytes at `p` are one of `codes`.
inline bool isOneOf(const uint8_t* p, std::initializer_list<const char*> codes)
{
    for (const char* code : codes) {
        if (isFourCC(p, code))
            return true;
    }
    return false;
}

// True when the four bytes at `p` can name a chunk: letters, digits, space,
// '_' or '-', the first a letter or digit. Chunk names are plain ASCII in
// every format that uses them, so random data or zeros rarely pass.
inline bool isChunkName(const uint8_t* p)
{
    auto alnum = [](uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (!alnum(p[0]))
        return false;
    for (int i = 1; i < 4; ++i) {
        if (!alnum(p[i]) && p[i] != ' ' && p[i] != '_' && p[i] != '-')
            return false;
    }
    return true;
}

// `size` rounded up to an even number of bytes, as RIFF and IFF chunks are
// padded; saturates instead of wrapping.
inline uint64_t padEven(uint64_t size)
{
    return (size & 1) && size != UINT64_MAX ? size + 1 : size;
}

} // namespace ostrel::walkers
