#pragma once
// Canon CIFF raw (CRW): a 26-byte header ("II", the header length,
// "HEAPCCDR", version 1.x), then the root heap up to the end of the file.
// A heap's directory (a 16-bit entry count, 10-byte entries of tag, size
// and offset) sits at the heap's end, and the heap's last 4 bytes give the
// directory's offset from the heap start. Nothing at the start says where
// that is, so the walker looks at every position for 4 bytes that point to
// a directory ending exactly there, whose entries lie in the heap before it
// and which holds the raw data or the JPEG preview as the root directory
// does: the file ends there. The look-back is a ring of the last bytes fed.
// Until then nothing is proven beyond the header.

#include "engine/walkers/RecentBytes.h"
#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class CrwWalker final : public StreamWalker {
public:
    CrwWalker();
    std::string provenType() const override { return "CRW"; }

private:
    void onRecord(const uint8_t* record, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;
    // True when the 4 bytes before `end` point to a root directory that
    // ends at `end`. `data` holds the bytes from `pieceStart` on.
    bool rootDirectoryEndsAt(uint64_t end, const uint8_t* data, uint64_t pieceStart) const;
    // Copies [at, at + n) from the ring (before pieceStart) and `data`.
    bool copyBack(uint64_t at, size_t n, uint8_t* out, const uint8_t* data, uint64_t pieceStart) const;

    RecentBytes recent_;
};

} // namespace ostrel::walkers
