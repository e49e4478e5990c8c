#pragma once
// What a search knows about each sector of the medium: read, unreadable, or
// not tried (skipped over or never reached). Kept as sorted runs, so a medium
// of billions of sectors costs memory only where the state changes. One map
// serves every pass of a search: a later pass does not read a sector again
// that an earlier one found unreadable.
//
// Thread: one at a time (the reader's thread while a pass reads, the
// worker's between passes).

#include <QtGlobal>

#include <functional>
#include <map>
#include <vector>

namespace ostrel {

// The letters are those of a GNU ddrescue mapfile.
enum class SectorState : char { NotTried = '?', Bad = '-', Good = '+' };

struct SectorRange {
    quint64 first = 0;
    quint64 count = 0;
    quint64 end() const { return first + count; }
    bool operator==(const SectorRange&) const = default;
};

class SectorMap {
public:
    // Sets sectors [first, first + count) to `state`.
    void mark(quint64 first, quint64 count, SectorState state);

    // The state of `sector` (NotTried when never marked); *runEnd gets the
    // first sector after the run of that state that holds it.
    SectorState state(quint64 sector, quint64* runEnd = nullptr) const;

    // Calls `visit(first, count, state)` for the runs covering [first, end)
    // in order, unmarked gaps reported as NotTried.
    void forEach(quint64 first, quint64 end,
                 const std::function<void(quint64 first, quint64 count, SectorState state)>& visit) const;

    // Sectors of `state` in [first, end).
    quint64 count(SectorState state, quint64 first, quint64 end) const;

    bool empty() const { return runs_.empty(); }

private:
    struct Run {
        quint64 end;
        SectorState state;
    };
    std::map<quint64, Run> runs_; // keyed by first sector; runs never overlap
};

} // namespace ostrel
