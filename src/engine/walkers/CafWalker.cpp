#include "engine/walkers/CafWalker.h"

#include "engine/walkers/ChunkIds.h"

namespace ostrel::walkers {

namespace {

constexpr size_t kFileHeader = 8;
constexpr size_t kChunkHeader = 12;
constexpr uint64_t kToTheEnd = UINT64_MAX; // size -1
constexpr uint32_t kDescriptionSize = 32;

bool cafChunk(const uint8_t* p)
{
    return isOneOf(p,
        {"desc", "data", "pakt", "chan", "kuki", "strg", "mark", "regn", "inst", "midi", "ovvw", "peak", "edct", "uuid",
            "info", "umid", "free", "ldsc"});
}

} // namespace

CafWalker::CafWalker()
{
    need(kFileHeader + kChunkHeader);
}

void CafWalker::onData(const uint8_t* r, size_t)
{
    const uint8_t* chunk = r;
    uint64_t start = recordStart();
    if (chunks_ == 0) {
        // "caff", version 1, flags 0, then the description chunk.
        if (!isFourCC(r, "caff") || be16(r + 4) != 1 || be16(r + 6) != 0 || !isFourCC(r + 8, "desc") ||
            be64(r + 12) != kDescriptionSize) {
            notFormat();
            return;
        }
        chunk = r + kFileHeader;
        start += kFileHeader;
    } else if (!cafChunk(chunk)) {
        endsAt(start);
        return;
    }
    ++chunks_;
    const uint64_t chunkSize = be64(chunk + 4);
    if (chunkSize == kToTheEnd && isFourCC(chunk, "data")) {
        scan();
        return;
    }
    if (chunkSize > (1ull << 62)) {
        brokenAt(start);
        return;
    }
    const uint64_t end = start + kChunkHeader + chunkSize;
    continuesTo(end);
    skip(end - position());
    need(kChunkHeader);
}

} // namespace ostrel::walkers
