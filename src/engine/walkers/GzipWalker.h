#pragma once
// GZIP: one or more members, each a header (with its optional extra field,
// name, comment and header CRC), a deflate stream whose end zlib finds, and
// the CRC-32 and size trailer. The file ends after the last member that no
// other member follows directly.

#include "engine/walkers/DeflateEnd.h"
#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class GzipWalker final : public StreamWalker {
public:
    GzipWalker();

private:
    enum class Phase : uint8_t { Header, ExtraLength, Name, Comment, Deflate, Trailer, NextMember };

    void onRecord(const uint8_t* r, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;
    bool header(const uint8_t* r);
    void afterExtra();
    void afterName();
    void afterComment();
    // A zero-terminated field (name, comment): consumes through the zero.
    size_t text(const uint8_t* data, size_t size);

    Phase phase_ = Phase::Header;
    uint8_t flags_ = 0;
    uint32_t members_ = 0;
    uint64_t memberEnd_ = 0;
    uint32_t textLength_ = 0;
    DeflateEnd inflater_;
};

} // namespace ostrel::walkers
