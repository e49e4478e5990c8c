#pragma once
// XZ: stream header (its flags checked by CRC-32), blocks (each header
// checked by CRC-32; the data skipped by the compressed size the header
// gives, or walked chunk by chunk when the filter chain ends in LZMA2 and no
// size is given), the index and the stream footer, whose backward size must
// match the index. Another stream may follow; otherwise the file ends after
// the footer.

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class XzWalker final : public StreamWalker {
public:
    XzWalker();

private:
    enum class Phase : uint8_t {
        StreamHeader,
        BlockStart,
        BlockHeader,
        ChunkControl,
        ChunkSizes,
        IndexVarint,
        IndexRest,
        Footer,
        NextStream,
    };

    void onRecord(const uint8_t* r, size_t size) override;
    bool streamHeader(const uint8_t* r);
    void blockHeader(const uint8_t* r, size_t size);
    void chunkControl(uint8_t control);
    void endOfBlockData();
    void indexByte(uint8_t byte);
    void footer(const uint8_t* r);
    void fail(uint64_t at);

    Phase phase_ = Phase::StreamHeader;
    uint32_t streams_ = 0;
    uint32_t checkSize_ = 0;
    uint8_t blockSizeByte_ = 0;
    uint64_t blockStart_ = 0;
    uint64_t dataStart_ = 0;
    uint8_t control_ = 0;
    // Index: a varint being read, how many are left, where the index began.
    uint64_t varint_ = 0;
    uint32_t varintShift_ = 0;
    uint64_t varintsLeft_ = 0;
    bool countRead_ = false;
    uint64_t indexStart_ = 0;
    uint64_t streamEnd_ = 0;
};

} // namespace ostrel::walkers
