#pragma once
// RIFF files (WAV, AVI, WEBP and the other RIFF forms, RF64/BW64 for WAV
// beyond 4 GiB). The RIFF chunk's size gives the end: 8 + size, plus a pad
// byte when odd. An OpenDML AVI above 1 GiB is a RIFF AVI followed directly
// by RIFF AVIX chunks, so an AVI ends after the last AVIX. A RIFF whose size
// was never written (0 or 0xFFFFFFFF, a recording cut off) is walked chunk by
// chunk instead.

#include "engine/walkers/MediaWalker.h"

#include <string>

namespace ostrel::walkers {

class RiffWalker final : public MediaWalker {
public:
    RiffWalker();
    std::string provenType() const override;

private:
    enum class Step : uint8_t { Header, Ds64, FirstChunk, AviHeaderList, NextRiff, Chunk };
    void onData(const uint8_t* record, size_t size) override;
    // The 12-byte RIFF/RF64 header: form type and size.
    void onHeader(const uint8_t* r);
    // The first chunk's header (behind ds64 for RF64): it must fit the RIFF size.
    void onFirstChunk(const uint8_t* r);
    // Ends at the RIFF size, looks for AVIX behind an AVI, or walks chunks when no size was written.
    void afterFirstChunk();
    // The 12 bytes behind a RIFF AVI or AVIX: another RIFF AVIX, or the end.
    void onNextRiff(const uint8_t* r);
    // A chunk header while walking a RIFF of unwritten size.
    void onChunk(const uint8_t* r);

    Step step_ = Step::Header;
    char form_[4] = {};
    uint64_t end_ = 0; // end of the current RIFF chunk, when its size is known
    bool sizeKnown_ = false;
    uint32_t firstChunkSize_ = 0;
};

} // namespace ostrel::walkers
