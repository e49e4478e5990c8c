#include "engine/walkers/IffWalker.h"

#include "engine/walkers/ChunkIds.h"

namespace ostrel::walkers {

namespace {

// FRM8: id, 64-bit size, form type, first chunk id and 64-bit size.
constexpr size_t kHeader = 4 + 8 + 4 + 4 + 8;

} // namespace

IffWalker::IffWalker()
{
    need(kHeader);
}

void IffWalker::onData(const uint8_t* r, size_t)
{
    uint64_t end = 0;
    uint64_t firstChunkEnd = 0;
    if (isFourCC(r, "FORM") && isOneOf(r + 8, {"AIFF", "AIFC"}) && isChunkName(r + 12)) {
        end = 8 + padEven(be32(r + 4));
        firstChunkEnd = 12 + 8 + uint64_t{be32(r + 16)};
        type_ = isFourCC(r + 8, "AIFF") ? "AIFF" : "AIFC";
    } else if (isFourCC(r, "FRM8") && isFourCC(r + 12, "DSD ") && isChunkName(r + 16) && be64(r + 4) < (1ull << 62) &&
        be64(r + 20) < (1ull << 62)) {
        end = 12 + padEven(be64(r + 4));
        firstChunkEnd = 16 + 12 + be64(r + 20);
        type_ = "DFF";
    }
    if (end == 0 || firstChunkEnd > end) {
        notFormat();
        return;
    }
    endsWhenFed(end);
}

} // namespace ostrel::walkers
