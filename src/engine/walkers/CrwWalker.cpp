#include "engine/walkers/CrwWalker.h"

#include <array>
#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint64_t kHeap = 26;          // the header length the signature tables match
constexpr uint64_t kMaxEntries = 1000;  // a root directory holds a handful
constexpr uint64_t kMaxDirectory = 2 + 10 * kMaxEntries + 4;
constexpr uint64_t kMinDirectory = 2 + 10 + 4;
constexpr uint16_t kStorage = 0xC000;   // where an entry's data lies
constexpr uint16_t kInHeap = 0x0000;
constexpr uint16_t kInRecord = 0x4000;
constexpr uint16_t kRawData = 0x2005;
constexpr uint16_t kJpegPreview = 0x2007;

// The index of the first non-zero byte of data[from, size), or size.
size_t firstNonZero(const uint8_t* data, size_t from, size_t size)
{
    while (from + 8 <= size) {
        uint64_t word;
        std::memcpy(&word, data + from, 8);
        if (word != 0)
            break;
        from += 8;
    }
    while (from < size && data[from] == 0)
        ++from;
    return from;
}

} // namespace

CrwWalker::CrwWalker() : recent_(0, 16 * 1024)
{
    need(kHeap);
}

void CrwWalker::onRecord(const uint8_t* p, size_t size)
{
    // "II", header length 26, "HEAPCCDR", CIFF version 1.x.
    if (std::memcmp(p, "II\x1a\0\0\0HEAPCCDR", 14) != 0 || (le32(p + 14) >> 16) != 1) {
        notFormat();
        return;
    }
    recent_.pass(p, size);
    continuesTo(kHeap);
    scan();
}

size_t CrwWalker::onScan(const uint8_t* data, size_t size)
{
    const uint64_t start = position();
    // Ends p in (start, start + size]: the offset word v before p places the
    // directory at 26 + v, at most kMaxDirectory and at least kMinDirectory
    // before p, so v's top byte is known and memchr finds the candidates.
    const uint64_t last = start + size;
    if (last >= kHeap + kMinDirectory) {
        const uint64_t lowV = start + 1 > kHeap + kMaxDirectory ? start + 1 - kHeap - kMaxDirectory : 0;
        const uint64_t highV = last - kHeap - kMinDirectory;
        const bool oneTop = (lowV >> 24) == (highV >> 24);
        const uint8_t top = static_cast<uint8_t>(highV >> 24);
        for (size_t i = 0; i < size; ++i) {
            if (oneTop) {
                const void* hit = std::memchr(data + i, top, size - i);
                if (!hit)
                    break;
                i = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data);
            }
            const uint64_t end = start + i + 1;
            if (end < kHeap + kMinDirectory)
                continue;
            if (i >= 3) {
                // The offset word in this piece: most candidates fail here.
                const uint64_t v = le32(data + i - 3);
                if (v == 0 && lowV > 0) {
                    // A run of zeros (a blank area): no candidate until
                    // the word holds its next non-zero byte.
                    i = firstNonZero(data, i + 1, size) - 1;
                    continue;
                }
                if (v + kHeap + kMinDirectory > end || end - kHeap - v > kMaxDirectory)
                    continue;
            }
            if (rootDirectoryEndsAt(end, data, start)) {
                endsAt(end);
                return i + 1;
            }
        }
    }
    recent_.append(data, size);
    return size;
}

bool CrwWalker::copyBack(uint64_t at, size_t n, uint8_t* out, const uint8_t* data, uint64_t pieceStart) const
{
    if (at < pieceStart) {
        const size_t before = static_cast<size_t>(std::min<uint64_t>(n, pieceStart - at));
        if (!recent_.copy(at, before, out))
            return false;
        at += before;
        out += before;
        n -= before;
        if (n == 0)
            return true;
    }
    std::memcpy(out, data + (at - pieceStart), n);
    return true;
}

bool CrwWalker::rootDirectoryEndsAt(uint64_t end, const uint8_t* data, uint64_t pieceStart) const
{
    uint8_t word[4];
    if (!copyBack(end - 4, 4, word, data, pieceStart))
        return false;
    const uint64_t offset = le32(word);
    const uint64_t directory = kHeap + offset;
    if (directory + kMinDirectory > end || end - directory > kMaxDirectory || (end - directory - 6) % 10 != 0)
        return false;
    const size_t length = static_cast<size_t>(end - directory - 4);
    std::array<uint8_t, kMaxDirectory> bytes;
    if (!copyBack(directory, length, bytes.data(), data, pieceStart))
        return false;
    const size_t entries = (length - 2) / 10;
    if (le16(bytes.data()) != entries)
        return false;
    bool root = false;
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* e = bytes.data() + 2 + 10 * i;
        const uint16_t tag = le16(e);
        const uint16_t storage = tag & kStorage;
        if (storage != kInHeap && storage != kInRecord)
            return false;
        if (storage == kInHeap && uint64_t{le32(e + 2)} + le32(e + 6) > offset)
            return false; // a record of the heap lies before its directory
        const uint16_t id = tag & 0x3FFF;
        root = root || (storage == kInHeap && (id == kRawData || id == kJpegPreview));
    }
    return root;
}

} // namespace ostrel::walkers
