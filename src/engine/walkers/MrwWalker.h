#pragma once
// Minolta raw (MRW): a big-endian "\0MRM" block whose length covers the
// metadata blocks (PRD picture dimensions, TTW Exif, WBG, RIF, PAD), then
// the raw data, whose size follows from the sensor size and the storage
// method given in the PRD block (16 bits per pixel, or 12 bits packed).

#include "engine/walkers/DeclaredEndWalker.h"

namespace ostrel::walkers {

class MrwWalker final : public DeclaredEndWalker {
public:
    MrwWalker();
    std::string provenType() const override { return "MRW"; }

private:
    enum class Step : uint8_t { Header, BlockHeader, Dimensions };

    void onField(const uint8_t* record, size_t size) override;
    void onBlockHeader(const uint8_t* p);
    void nextBlock(uint64_t at);

    Step step_ = Step::Header;
    uint64_t dataStart_ = 0;  // the raw data, after the MRM block
    uint64_t blockEnd_ = 0;
    uint64_t rawSize_ = 0;    // 0 while unknown
    int blocks_ = 0;
};

} // namespace ostrel::walkers
