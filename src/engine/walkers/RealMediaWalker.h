#pragma once
// RealMedia (RM, RMVB): chunks of a four-character ID, a 32-bit size and a
// version (".RMF" first, then PROP, MDPR, CONT, DATA, INDX ...). The DATA
// chunk is walked packet by packet (its header counts them), because muxers
// disagree on its size field. The file ends after the last chunk, where the
// next bytes are no RealMedia chunk (eight zero bytes that some muxers write
// as an end marker are kept).

#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

class RealMediaWalker final : public MediaWalker {
public:
    RealMediaWalker();

private:
    enum class Step : uint8_t { Chunk, DataHeader, Packet };
    void onData(const uint8_t* record, size_t size) override;
    void onChunk(const uint8_t* r);
    void nextChunk(uint64_t at);

    Step step_ = Step::Chunk;
    uint64_t chunks_ = 0;
    uint32_t packetsLeft_ = 0;
};

} // namespace ostrel::walkers
