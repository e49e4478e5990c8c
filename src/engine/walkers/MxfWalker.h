#pragma once
// MXF: a chain of KLV triplets (a 16-byte SMPTE key, a BER length, the
// value) from the header partition pack to the footer partition and the
// random index pack. The header partition pack states where the footer
// partition lies, which proves the file goes on at least that far. The file
// ends after the random index pack, or after the last triplet where the next
// bytes are no SMPTE key.

#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

class MxfWalker final : public MediaWalker {
public:
    MxfWalker();

private:
    enum class Step : uint8_t { Key, LongLength, PartitionPack };
    void onData(const uint8_t* record, size_t size) override;
    void onValue(uint64_t valueStart, uint64_t length);
    void nextKey(uint64_t at);

    Step step_ = Step::Key;
    uint8_t key_[16] = {};
    uint64_t keyStart_ = 0;
    uint64_t triplets_ = 0;
    uint64_t pendingLength_ = 0; // the header partition pack's length
};

} // namespace ostrel::walkers
