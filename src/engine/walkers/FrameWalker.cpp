#include "engine/walkers/FrameWalker.h"

namespace ostrel::walkers {

namespace {

constexpr uint32_t kZstdMagic = 0xFD2FB528;
constexpr uint32_t kLz4Magic = 0x184D2204;
constexpr uint32_t kZstdMaxBlock = 128 * 1024;

bool skippable(uint32_t magic)
{
    return (magic & 0xFFFFFFF0) == 0x184D2A50;
}

} // namespace

FrameWalker::FrameWalker(Format format) : format_(format)
{
    need(4);
}

void FrameWalker::fail()
{
    // Inside the first frame's look-ahead a bad header refuses the file.
    if (frames_ <= 1 && position() <= kHeaderLookahead)
        notFormat();
    else
        brokenAt(recordStart());
}

void FrameWalker::onRecord(const uint8_t* r, size_t)
{
    switch (phase_) {
    case Phase::Magic:
        magic(le32(r));
        break;
    case Phase::SkippableSize:
        continuesTo(position() + le32(r));
        skip(le32(r));
        frameEnd_ = position() + le32(r);
        phase_ = Phase::Magic;
        need(4);
        break;
    case Phase::Descriptor:
        if (format_ == Format::Zstd)
            zstdDescriptor(r[0]);
        else
            lz4Descriptor(r[0], r[1]);
        break;
    case Phase::DescriptorRest:
        // Zstandard without a single segment: the window descriptor comes
        // first; a window log above 31 is more than any encoder uses.
        if (format_ == Format::Zstd && !singleSegment_ && (r[0] >> 3) > 21) {
            fail();
            return;
        }
        phase_ = Phase::BlockHeader;
        need(format_ == Format::Zstd ? 3 : 4);
        break;
    case Phase::Literals:
        // The literals section header's block type: 3 is treeless.
        if ((r[0] & 3) == 3) {
            fail();
            return;
        }
        phase_ = Phase::BlockHeader;
        blockData(blockSize_ - 1, lastBlock_);
        break;
    case Phase::BlockHeader:
        if (format_ == Format::Zstd)
            zstdBlock(r);
        else
            lz4Block(le32(r));
        break;
    }
}

void FrameWalker::magic(uint32_t value)
{
    const uint32_t own = format_ == Format::Zstd ? kZstdMagic : kLz4Magic;
    if (value == own) {
        ++frames_;
        phase_ = Phase::Descriptor;
        need(format_ == Format::Zstd ? 1 : 2);
        return;
    }
    if (frames_ > 0 && skippable(value)) {
        phase_ = Phase::SkippableSize;
        need(4);
        return;
    }
    if (frames_ == 0)
        notFormat();
    else
        endsAt(frameEnd_);
}

void FrameWalker::zstdDescriptor(uint8_t d)
{
    const bool singleSegment = d & 0x20;
    singleSegment_ = singleSegment;
    if (d & 0x08) {
        fail(); // reserved bit
        return;
    }
    checksum_ = d & 0x04;
    static constexpr size_t kDictionary[4] = {0, 1, 2, 4};
    static constexpr size_t kContentSize[4] = {0, 2, 4, 8};
    size_t rest = (singleSegment ? 0 : 1) + kDictionary[d & 3] + kContentSize[d >> 6];
    if (singleSegment && (d >> 6) == 0)
        rest += 1;
    maxBlock_ = kZstdMaxBlock;
    firstBlock_ = true;
    dictionary_ = (d & 3) != 0;
    phase_ = Phase::DescriptorRest;
    need(rest);
}

void FrameWalker::lz4Descriptor(uint8_t flags, uint8_t bd)
{
    // Version 01, reserved bits clear, a block size code of 4 to 7.
    const uint32_t sizeCode = bd >> 4 & 7;
    if ((flags >> 6) != 1 || (flags & 0x02) || (bd & 0x8F) || sizeCode < 4) {
        fail();
        return;
    }
    maxBlock_ = 1u << (2 * sizeCode + 8);
    blockChecksum_ = flags & 0x10;
    checksum_ = flags & 0x04;
    // Content size (8 bytes), dictionary id (4), header checksum (1).
    const size_t rest = ((flags & 0x08) ? 8 : 0) + ((flags & 0x01) ? 4 : 0) + 1;
    phase_ = Phase::DescriptorRest;
    need(rest);
}

void FrameWalker::zstdBlock(const uint8_t* r)
{
    const uint32_t header = r[0] | r[1] << 8 | r[2] << 16;
    const bool last = header & 1;
    const uint32_t type = header >> 1 & 3;
    const uint32_t size = header >> 3;
    if (type == 3 || size > maxBlock_ || (type == 2 && size == 0)) {
        fail();
        return;
    }
    if (firstBlock_ && type == 2 && !dictionary_) {
        // A frame's first compressed block cannot reuse ("treeless")
        // literals tables: there are none yet without a dictionary.
        firstBlock_ = false;
        need(1);
        blockSize_ = size;
        lastBlock_ = last;
        phase_ = Phase::Literals;
        return;
    }
    firstBlock_ = false;
    blockData(type == 1 ? 1 : size, last); // RLE blocks hold one byte
}

void FrameWalker::blockData(uint64_t data, bool last)
{
    if (last) {
        frameEnd(data + (checksum_ ? 4 : 0));
        return;
    }
    continuesTo(position() + data);
    skip(data);
    need(3);
}

void FrameWalker::lz4Block(uint32_t word)
{
    if (word == 0) {
        frameEnd(checksum_ ? 4 : 0);
        return;
    }
    const uint32_t size = word & 0x7FFFFFFF;
    if (size > maxBlock_) {
        fail();
        return;
    }
    const uint64_t data = size + (blockChecksum_ ? 4 : 0);
    continuesTo(position() + data);
    skip(data);
    need(4);
}

void FrameWalker::frameEnd(uint64_t trailer)
{
    frameEnd_ = position() + trailer;
    continuesTo(frameEnd_);
    skip(trailer);
    phase_ = Phase::Magic;
    need(4);
}

} // namespace ostrel::walkers
