#pragma once
// Zstandard and LZ4 frames. A Zstandard frame is a header, blocks with a
// 3-byte header each (size, type, last-block flag) and an optional checksum;
// an LZ4 frame is a descriptor, blocks with a 4-byte size each, an end mark
// of zero and optional checksums. Further frames of the same format or
// skippable frames may follow; the file ends after the last frame that
// nothing of the format follows. The header check covers the frame header
// and every block header inside the look-ahead.

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class FrameWalker final : public StreamWalker {
public:
    enum class Format : uint8_t { Zstd, Lz4 };
    explicit FrameWalker(Format format);

private:
    enum class Phase : uint8_t { Magic, Descriptor, DescriptorRest, BlockHeader, Literals, SkippableSize };

    void onRecord(const uint8_t* r, size_t size) override;
    void magic(uint32_t value);
    void zstdDescriptor(uint8_t descriptor);
    void lz4Descriptor(uint8_t flags, uint8_t blockDescriptor);
    void zstdBlock(const uint8_t* r);
    // Passes a Zstandard block's `data` bytes; the frame ends after the last.
    void blockData(uint64_t data, bool last);
    void lz4Block(uint32_t word);
    void frameEnd(uint64_t trailer);
    void fail();

    Format format_;
    Phase phase_ = Phase::Magic;
    uint32_t frames_ = 0;
    uint64_t frameEnd_ = 0;
    uint32_t maxBlock_ = 0;
    bool checksum_ = false;      // Zstd: content checksum; LZ4: content checksum
    bool blockChecksum_ = false; // LZ4 only
    // Zstandard: what the header check looks at in the first block.
    bool singleSegment_ = false;
    bool dictionary_ = false;
    bool firstBlock_ = false;
    bool lastBlock_ = false;
    uint32_t blockSize_ = 0;
};

} // namespace ostrel::walkers
