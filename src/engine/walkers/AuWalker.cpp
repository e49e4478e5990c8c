#include "engine/walkers/AuWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr size_t kHeader = 24;
constexpr uint32_t kUnknownSize = 0xFFFFFFFF;
constexpr uint32_t kMaxOffset = 1u << 20;

} // namespace

AuWalker::AuWalker()
{
    need(kHeader);
}

void AuWalker::onData(const uint8_t* r, size_t)
{
    const uint32_t offset = be32(r + 4), size = be32(r + 8), encoding = be32(r + 12), rate = be32(r + 16),
                   channels = be32(r + 20);
    // Encodings 1..27 are defined; rates and channel counts of real audio.
    if (std::memcmp(r, ".snd", 4) != 0 || offset < kHeader || offset > kMaxOffset || encoding == 0 || encoding > 27 ||
        rate == 0 || rate > 1000000 || channels == 0 || channels > 64) {
        notFormat();
        return;
    }
    if (size == kUnknownSize) {
        continuesTo(offset);
        scan();
        return;
    }
    endsWhenFed(uint64_t{offset} + size);
}

} // namespace ostrel::walkers
