#include "engine/walkers/DsfWalker.h"

#include "engine/walkers/ChunkIds.h"

#include <algorithm>

namespace ostrel::walkers {

namespace {

constexpr size_t kDsdChunk = 28;
constexpr size_t kFmtChunk = 52;
constexpr size_t kHead = kDsdChunk + kFmtChunk + 12; // and the data chunk's header

} // namespace

DsfWalker::DsfWalker()
{
    need(kHead);
}

void DsfWalker::onData(const uint8_t* r, size_t)
{
    const uint64_t total = le64(r + 12), metadata = le64(r + 20);
    const uint8_t* fmt = r + kDsdChunk;
    const uint8_t* data = fmt + kFmtChunk;
    const uint64_t dataSize = le64(data + 4);
    const uint64_t dataEnd = kDsdChunk + kFmtChunk + std::min<uint64_t>(dataSize, 1ull << 48);
    if (!isFourCC(r, "DSD ") || le64(r + 4) != kDsdChunk || !isFourCC(fmt, "fmt ") || le64(fmt + 4) != kFmtChunk ||
        !isFourCC(data, "data") || dataSize < 12 || total > (1ull << 48) || dataEnd > total ||
        (metadata != 0 && (metadata < dataEnd || metadata >= total))) {
        notFormat();
        return;
    }
    endsWhenFed(total);
}

} // namespace ostrel::walkers
