#pragma once
// Base of the audio and video walkers: a StreamWalker whose end, once the
// structure proves it, is reported as Continues until that many bytes have
// been fed and as Ends from then on. A file cut short (the medium ends, the
// rest was overwritten) so never claims bytes it does not have, while the
// engine still learns at once how far the file goes.
//
// Like every walker, an object is fed by one thread at a time (the engine's
// worker) and owns no memory beyond its own bounded state.

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class MediaWalker : public StreamWalker {
protected:
    MediaWalker() = default;

    // The file ends at `end` (bytes from its start, at or after position()).
    // Nothing else is read; the verdict becomes Ends(end) when the byte
    // before `end` has been fed.
    void endsWhenFed(uint64_t end);

    // Called with the bytes asked for by need(), as StreamWalker::onRecord.
    virtual void onData(const uint8_t* record, size_t size) = 0;

private:
    void onRecord(const uint8_t* record, size_t size) final;
    bool endPending_ = false;
    uint64_t end_ = 0;
};

} // namespace ostrel::walkers
