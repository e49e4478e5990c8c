#pragma once
// RAR 4 and RAR 5 archives: the chain of blocks (headers with the size of
// the data behind them) up to the end-of-archive block, which ends the file.
// The header check is the archive header right after the signature, with its
// CRC. A later header whose type or size is impossible breaks the file there
// (archives from RAR 2 and older have no end block: that is where they end).

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class RarWalker final : public StreamWalker {
public:
    RarWalker();

private:
    enum class Phase : uint8_t { Signature, Rar4Head, Rar4Rest, Rar5Head, Rar5Rest, GiveUp };

    void onRecord(const uint8_t* r, size_t size) override;
    // A header's first seven bytes are in head_; *Start asks for the rest,
    // *Block reads the whole header and moves to the next block.
    void rar4Start();
    void rar4Block(const uint8_t* rest, size_t restSize);
    void rar5Start();
    void rar5Block(const uint8_t* rest, size_t restSize);
    void nextBlock(uint64_t end);

    Phase phase_ = Phase::Signature;
    uint32_t blocks_ = 0;
    uint64_t blockStart_ = 0;
    uint8_t head_[7] = {}; // a header's first bytes, while the rest is read
};

} // namespace ostrel::walkers
