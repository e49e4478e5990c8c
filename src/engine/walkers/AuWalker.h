#pragma once
// Sun/NeXT audio (AU, ".snd"): a header with the data offset and the data
// size (0xFFFFFFFF when unknown, then no end is claimed). The file ends at
// offset + size.

#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

class AuWalker final : public MediaWalker {
public:
    AuWalker();

private:
    void onData(const uint8_t* record, size_t size) override;
};

} // namespace ostrel::walkers
