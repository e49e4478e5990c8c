#pragma once
// Standard MIDI files: the "MThd" chunk (format, track count, division) and
// then that many "MTrk" chunks (other chunks are skipped). The file ends
// after the last track.

#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

class MidiWalker final : public MediaWalker {
public:
    MidiWalker();

private:
    void onData(const uint8_t* record, size_t size) override;
    bool header_ = true;
    unsigned tracks_ = 0;
    unsigned tracksLeft_ = 0;
};

} // namespace ostrel::walkers
