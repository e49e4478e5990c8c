#pragma once
// Core Audio files (CAF): "caff", version 1, then chunks (type, 64-bit
// size), the first an audio description. The file ends after the last chunk,
// where the next bytes are no CAF chunk type. A data chunk of size -1 runs
// to the end of the file, which nothing marks: no end is claimed then.

#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

class CafWalker final : public MediaWalker {
public:
    CafWalker();

private:
    void onData(const uint8_t* record, size_t size) override;
    uint64_t chunks_ = 0;
};

} // namespace ostrel::walkers
