#include "engine/walkers/XzWalker.h"

#include <zlib.h>

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint8_t kMagic[6] = {0xFD, '7', 'z', 'X', 'Z', 0};
constexpr uint64_t kLzma2 = 0x21;

uint32_t crcOf(const uint8_t* p, size_t n)
{
    return static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(n)));
}

// Reads a multibyte integer (7 bits a byte, at most 9 bytes) from p[0..n);
// returns the bytes it took, 0 when it is malformed or runs past n.
size_t readVarint(const uint8_t* p, size_t n, uint64_t& value)
{
    value = 0;
    for (size_t i = 0; i < n && i < 9; ++i) {
        value |= static_cast<uint64_t>(p[i] & 0x7F) << (7 * i);
        if (!(p[i] & 0x80))
            return (i > 0 && p[i] == 0) ? 0 : i + 1;
    }
    return 0;
}

uint32_t padTo4(uint64_t n)
{
    return static_cast<uint32_t>((4 - n % 4) % 4);
}

} // namespace

XzWalker::XzWalker()
{
    need(12);
}

void XzWalker::fail(uint64_t at)
{
    // The first block header is still part of the header check.
    if (streams_ <= 1 && at < kHeaderLookahead && blockStart_ <= 12)
        notFormat();
    else
        brokenAt(at);
}

bool XzWalker::streamHeader(const uint8_t* r)
{
    if (std::memcmp(r, kMagic, 6) != 0 || r[6] != 0 || (r[7] & 0xF0) != 0 || crcOf(r + 6, 2) != le32(r + 8))
        return false;
    static constexpr uint8_t kCheckSizes[16] = {0, 4, 4, 4, 8, 8, 8, 16, 16, 16, 32, 32, 32, 64, 64, 64};
    checkSize_ = kCheckSizes[r[7] & 0x0F];
    ++streams_;
    return true;
}

void XzWalker::onRecord(const uint8_t* r, size_t size)
{
    switch (phase_) {
    case Phase::NextStream:
        if (!streamHeader(r)) {
            endsAt(streamEnd_);
            return;
        }
        phase_ = Phase::BlockStart;
        need(1);
        break;
    case Phase::StreamHeader:
        if (!streamHeader(r)) {
            notFormat();
            return;
        }
        phase_ = Phase::BlockStart;
        need(1);
        break;
    case Phase::BlockStart:
        if (r[0] == 0) {
            // The index: its indicator byte, then the record count.
            indexStart_ = recordStart();
            varint_ = 0;
            varintShift_ = 0;
            countRead_ = false;
            varintsLeft_ = 1;
            phase_ = Phase::IndexVarint;
            need(1);
            return;
        }
        blockStart_ = recordStart();
        blockSizeByte_ = r[0];
        phase_ = Phase::BlockHeader;
        need((static_cast<size_t>(r[0]) + 1) * 4 - 1);
        break;
    case Phase::BlockHeader:
        blockHeader(r, size);
        break;
    case Phase::ChunkControl:
        chunkControl(r[0]);
        break;
    case Phase::ChunkSizes:
        if (control_ >= 0x80) {
            // LZMA chunk: unpacked size (2 bytes), packed size - 1 (2 bytes),
            // and for control 0xC0 and up a properties byte.
            const uint32_t packed = be16(r + 2) + 1u;
            skip(packed);
            continuesTo(position() + packed);
        } else {
            const uint32_t stored = be16(r) + 1u;
            skip(stored);
            continuesTo(position() + stored);
        }
        phase_ = Phase::ChunkControl;
        need(1);
        break;
    case Phase::IndexVarint:
        indexByte(r[0]);
        break;
    case Phase::IndexRest:
        phase_ = Phase::Footer;
        need(12);
        break;
    case Phase::Footer:
        footer(r);
        break;
    }
}

void XzWalker::blockHeader(const uint8_t* r, size_t size)
{
    // r holds the block header after its size byte; the CRC-32 covers the
    // size byte too.
    const size_t total = size + 1;
    uint32_t crc = static_cast<uint32_t>(crc32(0, &blockSizeByte_, 1));
    crc = static_cast<uint32_t>(crc32(crc, r, static_cast<uInt>(size - 4)));
    const uint8_t flags = r[0];
    if (crc != le32(r + size - 4) || (flags & 0x3C) != 0) {
        fail(blockStart_);
        return;
    }
    size_t at = 1;
    const size_t end = size - 4;
    uint64_t compressed = 0;
    bool haveCompressed = false;
    if (flags & 0x40) {
        const size_t n = readVarint(r + at, end - at, compressed);
        if (n == 0 || compressed == 0) {
            fail(blockStart_);
            return;
        }
        at += n;
        haveCompressed = true;
    }
    if (flags & 0x80) {
        uint64_t uncompressed = 0;
        const size_t n = readVarint(r + at, end - at, uncompressed);
        if (n == 0) {
            fail(blockStart_);
            return;
        }
        at += n;
    }
    uint64_t lastFilter = 0;
    for (int filter = 0; filter <= (flags & 3); ++filter) {
        uint64_t propsSize = 0;
        size_t n = readVarint(r + at, end - at, lastFilter);
        if (n == 0) {
            fail(blockStart_);
            return;
        }
        at += n;
        n = readVarint(r + at, end - at, propsSize);
        if (n == 0 || propsSize > end - at - n) {
            fail(blockStart_);
            return;
        }
        at += n + static_cast<size_t>(propsSize);
    }
    dataStart_ = blockStart_ + total;
    if (haveCompressed) {
        const uint64_t blockEnd = dataStart_ + compressed + padTo4(compressed) + checkSize_;
        continuesTo(blockEnd);
        skip(blockEnd - position());
        phase_ = Phase::BlockStart;
        need(1);
    } else if (lastFilter == kLzma2) {
        phase_ = Phase::ChunkControl;
        need(1);
    } else {
        // No size and no chunked filter: the block's end cannot be found.
        scan();
    }
}

void XzWalker::chunkControl(uint8_t control)
{
    control_ = control;
    if (control == 0) {
        endOfBlockData();
        return;
    }
    if (control >= 3 && control < 0x80) {
        fail(recordStart());
        return;
    }
    phase_ = Phase::ChunkSizes;
    need(control >= 0xC0 ? 5 : control >= 0x80 ? 4 : 2);
}

void XzWalker::endOfBlockData()
{
    const uint64_t compressed = position() - dataStart_;
    const uint64_t blockEnd = position() + padTo4(compressed) + checkSize_;
    continuesTo(blockEnd);
    skip(blockEnd - position());
    phase_ = Phase::BlockStart;
    need(1);
}

void XzWalker::indexByte(uint8_t byte)
{
    // The record count, then two varints a record.
    if (varintShift_ > 63) {
        brokenAt(position());
        return;
    }
    varint_ |= static_cast<uint64_t>(byte & 0x7F) << varintShift_;
    varintShift_ += 7;
    if (byte & 0x80) {
        need(1);
        return;
    }
    if (!countRead_) {
        countRead_ = true;
        if (varint_ > (1ull << 40)) {
            brokenAt(position());
            return;
        }
        varintsLeft_ = varint_ * 2;
    } else {
        --varintsLeft_;
    }
    varint_ = 0;
    varintShift_ = 0;
    if (varintsLeft_ > 0) {
        need(1);
        return;
    }
    // Padding to a multiple of four, then the index CRC-32.
    phase_ = Phase::IndexRest;
    need(padTo4(position() - indexStart_) + 4);
}

void XzWalker::footer(const uint8_t* r)
{
    const uint64_t indexSize = recordStart() - indexStart_;
    if (r[10] != 'Y' || r[11] != 'Z' || (static_cast<uint64_t>(le32(r + 4)) + 1) * 4 != indexSize) {
        brokenAt(recordStart());
        return;
    }
    streamEnd_ = position();
    continuesTo(streamEnd_);
    phase_ = Phase::NextStream;
    need(12);
}

} // namespace ostrel::walkers
