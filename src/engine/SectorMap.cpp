#include "engine/SectorMap.h"

namespace ostrel {

void SectorMap::mark(quint64 first, quint64 count, SectorState state)
{
    if (count == 0)
        return;
    const quint64 last = first + count;
    // Cut the run that begins before `first` and reaches into the new one.
    auto it = runs_.lower_bound(first);
    if (it != runs_.begin()) {
        auto before = std::prev(it);
        if (before->second.end > first) {
            const Run whole = before->second;
            before->second.end = first;
            if (whole.end > last)
                runs_.emplace(last, whole);
        }
    }
    // Drop the runs inside, keeping the tail of one that reaches past it.
    it = runs_.lower_bound(first);
    while (it != runs_.end() && it->first < last) {
        if (it->second.end > last) {
            const Run tail = it->second;
            runs_.erase(it);
            runs_.emplace(last, tail);
            break;
        }
        it = runs_.erase(it);
    }
    auto placed = runs_.emplace(first, Run{last, state}).first;
    auto after = std::next(placed);
    if (after != runs_.end() && after->first == last && after->second.state == state) {
        placed->second.end = after->second.end;
        runs_.erase(after);
    }
    if (placed != runs_.begin()) {
        auto before = std::prev(placed);
        if (before->second.end == first && before->second.state == state) {
            before->second.end = placed->second.end;
            runs_.erase(placed);
        }
    }
}

SectorState SectorMap::state(quint64 sector, quint64* runEnd) const
{
    auto it = runs_.upper_bound(sector);
    if (it != runs_.begin()) {
        auto holder = std::prev(it);
        if (holder->second.end > sector) {
            if (runEnd)
                *runEnd = holder->second.end;
            return holder->second.state;
        }
    }
    if (runEnd)
        *runEnd = it == runs_.end() ? ~quint64(0) : it->first;
    return SectorState::NotTried;
}

void SectorMap::forEach(quint64 first, quint64 end,
                        const std::function<void(quint64, quint64, SectorState)>& visit) const
{
    quint64 at = first;
    while (at < end) {
        quint64 runEnd = 0;
        const SectorState s = state(at, &runEnd);
        const quint64 stop = std::min(runEnd, end);
        visit(at, stop - at, s);
        at = stop;
    }
}

quint64 SectorMap::count(SectorState wanted, quint64 first, quint64 end) const
{
    quint64 total = 0;
    forEach(first, end, [&](quint64, quint64 n, SectorState s) {
        if (s == wanted)
            total += n;
    });
    return total;
}

} // namespace ostrel
