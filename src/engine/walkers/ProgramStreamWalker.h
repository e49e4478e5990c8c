#pragma once
// MPEG program streams (MPEG-1 system streams, MPEG-2 PS, DVD VOB, camcorder
// MOD): pack headers (MPEG-1 and MPEG-2 forms, with stuffing), system
// headers and PES packets that carry their lengths, up to the program end
// code 000001B9. The header check wants the next start codes exactly where
// the lengths say. A stream without an end code ends after its last packet
// when the next bytes are no start code of the stream.

#include "engine/walkers/MediaWalker.h"

#include <string>

namespace ostrel::walkers {

class ProgramStreamWalker final : public MediaWalker {
public:
    ProgramStreamWalker();
    std::string provenType() const override;

private:
    enum class Step : uint8_t { StartCode, PackRest };
    void onData(const uint8_t* record, size_t size) override;
    // A start code and the two bytes behind it (a length, or the pack's first bytes).
    void onStartCode(const uint8_t* r);
    // The rest of a pack header: marker bits and stuffing.
    void onPackRest(const uint8_t* r);
    // The next start code must stand at `at`.
    void next(uint64_t at);
    // No start code of the stream at `at`: the end once proven, else a refused header.
    void notAPacket(uint64_t at);

    Step step_ = Step::StartCode;
    bool mpeg1_ = false;
    uint8_t packStart_[2] = {};
    unsigned codes_ = 0;
    bool locked_ = false; // enough start codes stood where the lengths said
    unsigned packs_ = 0;
    bool systemHeaderFirst_ = false;
    bool navigation_ = false;
};

} // namespace ostrel::walkers
