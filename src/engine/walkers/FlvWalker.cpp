#include "engine/walkers/FlvWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr size_t kHeader = 9 + 4; // header and the first back-pointer (0)
constexpr size_t kTagHeader = 11;
constexpr size_t kBackPointer = 4;

uint32_t be24(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
}

// Audio, video or script data; the filter bit may be set, the top two bits not.
bool tagType(uint8_t t)
{
    const uint8_t kind = t & 0x1F;
    return (t & 0xC0) == 0 && (kind == 8 || kind == 9 || kind == 18);
}

} // namespace

FlvWalker::FlvWalker()
{
    need(kHeader);
}

void FlvWalker::onData(const uint8_t* r, size_t)
{
    if (step_ == Step::Header) {
        // Version 1, only the audio and video flags, a 9-byte header, back-pointer 0.
        if (std::memcmp(r, "FLV\x01", 4) != 0 || (r[4] & 0xFA) != 0 || be32(r + 5) != 9 || be32(r + 9) != 0) {
            notFormat();
            return;
        }
        step_ = Step::Tag;
        continuesTo(kHeader);
        need(kTagHeader);
        return;
    }
    const uint64_t start = recordStart();
    if (!tagType(r[0]) || be24(r + 8) != 0) {
        if (tags_ > 0)
            endsAt(start);
        else
            notFormat(); // a header with no tag behind it
        return;
    }
    ++tags_;
    const uint64_t end = start + kTagHeader + be24(r + 1) + kBackPointer;
    continuesTo(end);
    skip(end - position());
    need(kTagHeader);
}

} // namespace ostrel::walkers
