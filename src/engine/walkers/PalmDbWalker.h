#pragma once
// MOBI e-books in a Palm database: a 78-byte header, a list of record
// offsets (ascending), the records. Writers end a MOBI book with a 4-byte
// end record (E9 8E 0D 0A), so the file ends 4 bytes after the last record's
// offset when that marker stands there; otherwise the file continues to the
// last record's start and its end stays unknown.

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class PalmDbWalker final : public StreamWalker {
public:
    PalmDbWalker();

private:
    enum class Phase : uint8_t { Header, Records, LastRecord, Done };

    void onRecord(const uint8_t* r, size_t size) override;

    Phase phase_ = Phase::Header;
    uint32_t recordsLeft_ = 0;
    uint32_t listEnd_ = 0;
    uint32_t lastOffset_ = 0;
};

} // namespace ostrel::walkers
