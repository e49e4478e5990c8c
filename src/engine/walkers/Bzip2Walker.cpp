#include "engine/walkers/Bzip2Walker.h"

#include <array>
#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint64_t kBlockMagic = 0x314159265359;
constexpr uint64_t kEndMagic = 0x177245385090;
constexpr uint64_t kMask48 = (1ull << 48) - 1;

uint64_t be48(const uint8_t* p)
{
    return static_cast<uint64_t>(be16(p)) << 32 | be32(p + 2);
}

// For each byte value, the bit shifts s (0..7) at which the end marker,
// ending s bits before the end of the next byte, holds that value as the
// byte before: a cheap first test before the 48-bit compare.
std::array<uint8_t, 256> markerByteTable()
{
    std::array<uint8_t, 256> t{};
    for (int s = 0; s < 8; ++s)
        t[(kEndMagic >> (8 - s)) & 0xFF] |= static_cast<uint8_t>(1u << s);
    return t;
}

} // namespace

Bzip2Walker::Bzip2Walker()
{
    need(18);
}

bool Bzip2Walker::streamStart(const uint8_t* r) const
{
    // "BZh", a level 1-9, then a block or (an empty stream) the end marker.
    return r[0] == 'B' && r[1] == 'Z' && r[2] == 'h' && r[3] >= '1' && r[3] <= '9' &&
           (be48(r + 4) == kBlockMagic || be48(r + 4) == kEndMagic);
}

void Bzip2Walker::onRecord(const uint8_t* r, size_t)
{
    if (nextStream_) {
        // Ten bytes after the end: another stream or the end of the file.
        nextStream_ = false;
        if (!streamStart(r)) {
            endsAt(streamEnd_);
            return;
        }
        continuesTo(position());
        streamEnd_ = 0;
        window_ = 0;
        scan();
        return;
    }
    if (!headerRead_) {
        headerRead_ = true;
        // After the block magic: the block CRC, then a randomised bit (never
        // set by current writers) and the 24-bit origin pointer, which must
        // lie inside the block.
        const uint32_t bits = be32(r + 14);
        const uint32_t origin = bits >> 7 & 0xFFFFFF;
        if (!streamStart(r) || be48(r + 4) != kBlockMagic || (bits >> 31) != 0 ||
            origin >= static_cast<uint32_t>(r[3] - '0') * 100000) {
            notFormat();
            return;
        }
        window_ = 0;
        scan();
    }
}

size_t Bzip2Walker::onScan(const uint8_t* data, size_t size)
{
    static const std::array<uint8_t, 256> kTable = markerByteTable();
    const uint64_t base = position();
    uint64_t w = window_;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t prev = static_cast<uint8_t>(w);
        w = w << 8 | data[i];
        const uint8_t shifts = kTable[prev];
        if (shifts == 0)
            continue;
        for (int s = 0; s < 8; ++s) {
            if ((shifts >> s & 1) && ((w >> s) & kMask48) == kEndMagic) {
                // The marker ends s bits before the end of byte i; 32 bits of
                // CRC follow, then padding to the byte.
                const uint64_t markerEndBits = (base + i + 1) * 8 - static_cast<uint64_t>(s);
                streamEnd_ = (markerEndBits + 32 + 7) / 8;
                continuesTo(streamEnd_);
                window_ = 0;
                nextStream_ = true;
                skip(streamEnd_ - (base + i + 1));
                need(10);
                return i + 1;
            }
        }
    }
    // The data between the markers is not checked: it proves nothing.
    window_ = w;
    return size;
}

} // namespace ostrel::walkers
