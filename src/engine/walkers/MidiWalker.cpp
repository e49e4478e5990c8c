#include "engine/walkers/MidiWalker.h"

#include "engine/walkers/ChunkIds.h"

namespace ostrel::walkers {

namespace {

constexpr size_t kHeader = 14; // "MThd", size 6, format, tracks, division
constexpr size_t kChunkHeader = 8;

} // namespace

MidiWalker::MidiWalker()
{
    need(kHeader);
}

void MidiWalker::onData(const uint8_t* r, size_t)
{
    const uint64_t start = recordStart();
    if (header_) {
        const unsigned format = be16(r + 8);
        tracks_ = be16(r + 10);
        if (!isFourCC(r, "MThd") || be32(r + 4) != 6 || format > 2 || tracks_ == 0 || (format == 0 && tracks_ != 1) ||
            be16(r + 12) == 0) {
            notFormat();
            return;
        }
        header_ = false;
        tracksLeft_ = tracks_;
        continuesTo(kHeader);
        need(kChunkHeader);
        return;
    }
    if (!isChunkName(r)) {
        if (start < kHeaderLookahead && tracksLeft_ == tracks_)
            notFormat();
        else
            brokenAt(start); // fewer tracks than the header counts
        return;
    }
    const uint64_t end = start + kChunkHeader + be32(r + 4);
    if (isFourCC(r, "MTrk") && --tracksLeft_ == 0) {
        endsWhenFed(end);
        return;
    }
    continuesTo(end);
    skip(end - position());
    need(kChunkHeader);
}

} // namespace ostrel::walkers
