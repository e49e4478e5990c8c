#pragma once
// BZIP2: blocks are bit-aligned and carry no length, so the walker looks for
// the 48-bit end-of-stream marker at every bit offset; the combined CRC and
// the padding to a byte follow it. Another stream may follow directly
// (pbzip2 and concatenated files); otherwise the file ends there. The header
// check reads the first block's header.

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class Bzip2Walker final : public StreamWalker {
public:
    Bzip2Walker();

private:
    void onRecord(const uint8_t* r, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;
    bool streamStart(const uint8_t* r) const;

    bool headerRead_ = false;
    bool nextStream_ = false;
    uint64_t window_ = 0;    // the last eight bytes scanned, newest lowest
    uint64_t streamEnd_ = 0; // once the marker was found: where the stream ends
};

} // namespace ostrel::walkers
