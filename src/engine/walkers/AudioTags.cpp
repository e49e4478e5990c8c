#include "engine/walkers/AudioTags.h"

#include "engine/walkers/StreamWalker.h"

#include <cstring>

namespace ostrel::walkers {

uint64_t id3v2TagLength(const uint8_t* p)
{
    if (std::memcmp(p, "ID3", 3) != 0 || p[3] < 2 || p[3] > 4 || p[4] == 0xFF)
        return 0;
    // Flags each version defines: 2 has two, 3 three, 4 four; the rest are 0.
    const uint8_t undefined = p[3] == 2 ? 0x3F : p[3] == 3 ? 0x1F : 0x0F;
    if ((p[5] & undefined) != 0 || ((p[6] | p[7] | p[8] | p[9]) & 0x80) != 0)
        return 0;
    const uint64_t body = uint64_t{p[6]} << 21 | uint64_t{p[7]} << 14 | uint64_t{p[8]} << 7 | p[9];
    return kId3v2HeaderSize + body + (id3v2HasFooter(p) ? kId3v2HeaderSize : 0);
}

uint64_t apeTagLength(const uint8_t* p)
{
    if (std::memcmp(p, "APETAGEX", 8) != 0)
        return 0;
    const uint32_t version = le32(p + 8);
    const uint32_t size = le32(p + 12); // items and footer
    const uint32_t flags = le32(p + 20);
    const bool isHeader = (flags & (1u << 29)) != 0;
    if ((version != 2000 && version != 1000) || !isHeader || size < kApeTagHeaderSize || size > (64u << 20))
        return 0;
    return kApeTagHeaderSize + uint64_t{size};
}

} // namespace ostrel::walkers
