#pragma once
// Tags that audio files carry before or after their frames: ID3v2 (in front,
// or appended with a footer), APEv2 and ID3v1. Each function reads a fixed
// number of bytes at `p` and returns the tag's whole length in bytes, or 0
// when the bytes are not such a tag.

#include <cstdint>

namespace ostrel::walkers {

constexpr unsigned kId3v2HeaderSize = 10;
constexpr unsigned kApeTagHeaderSize = 32;
constexpr unsigned kId3v1Size = 128;

// ID3v2 header (10 bytes): versions 2 to 4, flags that the version defines,
// a sync-safe size. Header, body and footer (when flagged) together.
uint64_t id3v2TagLength(const uint8_t* p);

// Whether the ID3v2 header at `p` announces a footer (appended tags carry one).
inline bool id3v2HasFooter(const uint8_t* p)
{
    return p[3] == 4 && (p[5] & 0x10) != 0;
}

// APEv2 tag header (32 bytes, "APETAGEX", the "is header" flag): header,
// items and footer together.
uint64_t apeTagLength(const uint8_t* p);

} // namespace ostrel::walkers
