#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

void MediaWalker::endsWhenFed(uint64_t end)
{
    if (end <= position()) {
        endsAt(end);
        return;
    }
    continuesTo(end);
    endPending_ = true;
    end_ = end;
    // Read the file's last byte as a record: its arrival is the end.
    skip(end - position() - 1);
    need(1);
}

void MediaWalker::onRecord(const uint8_t* record, size_t size)
{
    if (endPending_) {
        endsAt(end_);
        return;
    }
    onData(record, size);
}

} // namespace ostrel::walkers
