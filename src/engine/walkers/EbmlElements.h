#pragma once
// EBML, the element coding of Matroska and WebM: IDs of 1 to 4 bytes that
// keep their length marker, sizes of 1 to 8 bytes whose all-ones value means
// "unknown", and a reader for elements held in memory.

#include <cstddef>
#include <cstdint>

namespace ostrel::walkers {

namespace ebml {

constexpr uint32_t kHeader = 0x1A45DFA3;
constexpr uint32_t kDocType = 0x4282;
constexpr uint32_t kSegment = 0x18538067;
constexpr uint32_t kCluster = 0x1F43B675;
constexpr uint32_t kTracks = 0x1654AE6B;
constexpr uint32_t kTrackEntry = 0xAE;
constexpr uint32_t kTrackNumber = 0xD7;
constexpr uint32_t kTrackType = 0x83;
constexpr uint32_t kVideo = 0xE0;
constexpr uint32_t kStereoMode = 0x53B8;
constexpr uint32_t kSimpleBlock = 0xA3;
constexpr uint32_t kBlockGroup = 0xA0;
constexpr uint32_t kVoid = 0xEC;
constexpr uint32_t kCrc32 = 0xBF;

// Bytes of an ID whose first byte is `b` (1..4), 0 when no ID starts so.
inline unsigned idLength(uint8_t b)
{
    return b >= 0x80 ? 1 : b >= 0x40 ? 2 : b >= 0x20 ? 3 : b >= 0x10 ? 4 : 0;
}

// Bytes of a size whose first byte is `b` (1..8), 0 for a zero byte.
inline unsigned sizeLength(uint8_t b)
{
    for (unsigned n = 1; n <= 8; ++n) {
        if (b & (0x80 >> (n - 1)))
            return n;
    }
    return 0;
}

constexpr uint64_t kUnknownSize = UINT64_MAX;

// The size coded in `n` bytes at `p` (n from sizeLength), kUnknownSize when
// all its value bits are ones.
uint64_t sizeValue(const uint8_t* p, unsigned n);

// An element read from memory.
struct Element {
    uint32_t id = 0;
    const uint8_t* data = nullptr;
    uint64_t size = 0;
};

// Reads the element at `*p` (before `end`) and moves `*p` past it; false
// when no whole element with a known size is there.
bool next(const uint8_t*& p, const uint8_t* end, Element& out);

// An unsigned integer element's value (up to 8 bytes).
uint64_t uintValue(const Element& e);

} // namespace ebml

} // namespace ostrel::walkers
