#include "engine/walkers/DeclaredEndWalker.h"

#include <algorithm>

namespace ostrel::walkers {

void DeclaredEndWalker::finishAt(uint64_t end, uint64_t from)
{
    continuesTo(end);
    if (end <= position()) {
        endsAt(position());
        return;
    }
    skip(end - std::max(from, position()) - 1);
    finishing_ = true;
    need(1);
}

void DeclaredEndWalker::refuse()
{
    if (position() <= kHeaderLookahead)
        notFormat();
    else
        brokenAt(recordStart());
}

void DeclaredEndWalker::onRecord(const uint8_t* record, size_t size)
{
    if (finishing_)
        endsAt(position());
    else
        onField(record, size);
}

} // namespace ostrel::walkers
