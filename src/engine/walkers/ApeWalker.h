#pragma once
// Monkey's Audio (APE) files of version 3.98 and later: the descriptor
// gives the length of every part (descriptor, header, seek table, WAV
// header, frame data, WAV trailer); an APEv2 tag and an ID3v1 tag may follow.
// Older versions store no data length: no end is claimed for them.

#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

class ApeWalker final : public MediaWalker {
public:
    ApeWalker();

private:
    enum class Step : uint8_t { Descriptor, Trailer, Id3v1 };
    void onData(const uint8_t* record, size_t size) override;
    Step step_ = Step::Descriptor;
};

} // namespace ostrel::walkers
