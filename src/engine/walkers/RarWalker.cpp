#include "engine/walkers/RarWalker.h"

#include <zlib.h>

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint8_t kRar4[7] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr uint8_t kRar5[8] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
constexpr uint16_t kLongBlock = 0x8000;

// RAR 5 variable-length integer from p[0..n): the bytes it took, 0 when
// malformed or cut.
size_t vint(const uint8_t* p, size_t n, uint64_t& value)
{
    value = 0;
    for (size_t i = 0; i < n && i < 10; ++i) {
        value |= static_cast<uint64_t>(p[i] & 0x7F) << (7 * i);
        if (!(p[i] & 0x80))
            return i + 1;
    }
    return 0;
}

uint32_t crcOf(uint32_t crc, const uint8_t* p, size_t n)
{
    return static_cast<uint32_t>(crc32(crc, p, static_cast<uInt>(n)));
}

} // namespace

RarWalker::RarWalker()
{
    need(7);
}

void RarWalker::nextBlock(uint64_t end)
{
    continuesTo(end);
    skip(end - position());
    blockStart_ = end;
    ++blocks_;
    need(7);
}

void RarWalker::onRecord(const uint8_t* r, size_t size)
{
    switch (phase_) {
    case Phase::Signature:
        if (std::memcmp(r, kRar4, 7) == 0) {
            phase_ = Phase::Rar4Head;
            blockStart_ = 7;
            need(7);
        } else if (std::memcmp(r, kRar5, 7) == 0) {
            phase_ = Phase::Rar5Head;
            skip(1);
            blockStart_ = 8;
            need(7);
        } else {
            notFormat();
        }
        break;
    case Phase::Rar4Head:
        std::memcpy(head_, r, 7);
        rar4Start();
        break;
    case Phase::Rar4Rest:
        phase_ = Phase::Rar4Head;
        rar4Block(r, size);
        break;
    case Phase::Rar5Head:
        std::memcpy(head_, r, 7);
        rar5Start();
        break;
    case Phase::Rar5Rest:
        phase_ = Phase::Rar5Head;
        rar5Block(r, size);
        break;
    case Phase::GiveUp:
        break;
    }
}

// RAR 4 block: CRC16 (low half of a CRC-32 over the rest of the header),
// type, flags, header size; long blocks add a 32-bit data size (for file
// blocks with LHD_LARGE, a high half 25 bytes later).
void RarWalker::rar4Start()
{
    const uint8_t type = head_[2];
    const uint16_t headSize = le16(head_ + 5);
    // The archive header comes first and fits in the header check's
    // look-ahead (with an old-style comment at most).
    if (blocks_ == 0 && (type != 0x73 || headSize < 13 || headSize > kHeaderLookahead / 2)) {
        notFormat();
        return;
    }
    if (type < 0x72 || type > 0x7B || headSize < 7) {
        brokenAt(blockStart_);
        return;
    }
    if (headSize == 7) {
        rar4Block(nullptr, 0);
        return;
    }
    phase_ = Phase::Rar4Rest;
    need(headSize - 7u);
}

void RarWalker::rar4Block(const uint8_t* rest, size_t restSize)
{
    const uint8_t type = head_[2];
    const uint16_t flags = le16(head_ + 3);
    const uint16_t headSize = le16(head_ + 5);
    if (blocks_ == 0) {
        uint32_t crc = crcOf(0, head_ + 2, 5);
        crc = crcOf(crc, rest, restSize);
        if ((crc & 0xFFFF) != le16(head_)) {
            notFormat();
            return;
        }
    }
    uint64_t data = 0;
    if ((flags & kLongBlock) && restSize >= 4) {
        data = le32(rest);
        if (type == 0x74 && (flags & 0x100) && restSize >= 25 + 8)
            data |= static_cast<uint64_t>(le32(rest + 25)) << 32;
    }
    if (type == 0x7B) {
        endsAt(blockStart_ + headSize);
        return;
    }
    nextBlock(blockStart_ + headSize + data);
}

// RAR 5 header: CRC-32, header size (vint), then type, flags, optional extra
// area size and data size (vints) and the rest; the CRC covers all after
// itself.
void RarWalker::rar5Start()
{
    uint64_t headerSize = 0;
    const size_t sizeBytes = vint(head_ + 4, 3, headerSize);
    const uint64_t limit = blocks_ == 0 ? kHeaderLookahead / 2 : 2 * 1024 * 1024; // the main header is small
    if (sizeBytes == 0 || headerSize < 2 || headerSize > limit) {
        if (blocks_ == 0)
            notFormat();
        else
            brokenAt(blockStart_);
        return;
    }
    const uint64_t total = 4 + sizeBytes + headerSize;
    if (total == 7) {
        rar5Block(nullptr, 0);
        return;
    }
    if (total > kMaxRecord) {
        // A header this large cannot be read whole: the chain is lost.
        phase_ = Phase::GiveUp;
        scan();
        return;
    }
    phase_ = Phase::Rar5Rest;
    need(static_cast<size_t>(total - 7));
}

void RarWalker::rar5Block(const uint8_t* rest, size_t restSize)
{
    uint64_t headerSize = 0;
    const size_t sizeBytes = vint(head_ + 4, 3, headerSize);
    const uint64_t total = 4 + sizeBytes + headerSize;
    const bool first = blocks_ == 0;
    uint32_t crc = crcOf(0, head_ + 4, 3);
    crc = crcOf(crc, rest, restSize);
    if (first && crc != le32(head_)) {
        notFormat();
        return;
    }
    // The fields start inside the first seven bytes: gather enough of them
    // (four vints at most) in one place.
    uint8_t fields[48];
    const size_t inHead = 7 - 4 - sizeBytes;
    std::memcpy(fields, head_ + 4 + sizeBytes, inHead);
    const size_t fromRest = std::min(restSize, sizeof(fields) - inHead);
    if (fromRest > 0)
        std::memcpy(fields + inHead, rest, fromRest);
    const size_t n = std::min<size_t>(inHead + fromRest, static_cast<size_t>(headerSize));
    uint64_t type = 0;
    uint64_t flags = 0;
    uint64_t extra = 0;
    uint64_t data = 0;
    size_t at = vint(fields, n, type);
    size_t k = at ? vint(fields + at, n - at, flags) : 0;
    at += k;
    if (k && (flags & 1)) {
        k = vint(fields + at, n - at, extra);
        at += k;
    }
    if (k && (flags & 2))
        k = vint(fields + at, n - at, data);
    if (k == 0 || type == 0 || type > 5 || (first && type != 1 && type != 4)) {
        if (first)
            notFormat();
        else
            brokenAt(blockStart_);
        return;
    }
    if (type == 5) {
        endsAt(blockStart_ + total);
        return;
    }
    if (type == 4) {
        // Headers are encrypted from here on: only what is proven stays.
        continuesTo(blockStart_ + total);
        phase_ = Phase::GiveUp;
        scan();
        return;
    }
    nextBlock(blockStart_ + total + data);
}

} // namespace ostrel::walkers
