#pragma once
// How a pass and a whole search ended. The engine fills these in; the window
// turns them into its final screen and the command line into its texts and
// exit status, so neither has to guess from message texts.

#include "engine/SectorMap.h"

#include <QString>
#include <QtGlobal>

#include <vector>

namespace ostrel {

enum class PassEnd {
    Completed,         // the range was read to its end
    Stopped,           // the user stopped it; `sector` is the first sector not searched
    MediumGone,        // the medium went away; `sector` is the last sector read
    DestinationFailed, // recovered files could not be saved
    SourceFailed,      // the medium could not be opened; `error` is the errno
    Failed,            // an unexpected failure; `message` says what
};

struct PassOutcome {
    PassEnd end = PassEnd::Completed;
    quint64 sector = 0;          // see PassEnd
    bool anySectorRead = false;  // MediumGone: false when not one sector could be read
    quint64 rangeStart = 0;      // the pass's sector range [rangeStart, rangeEnd)
    quint64 rangeEnd = 0;
    int error = 0;               // errno (SourceFailed, MediumGone)
    QString message;             // Failed: what went wrong
    bool lastSectorReadable = true;
    bool thorough = false;       // the pass was the thorough one
    quint64 readOnRetry = 0;     // skipped sectors that read when tried again

    // True when a stopped search has sectors left that a new search of
    // [sector, rangeEnd) would continue with.
    bool canContinue() const { return end == PassEnd::Stopped && sector < rangeEnd; }
};

// Sectors the search had to take as zeros.
struct UnreadableSummary {
    quint64 count = 0;                    // sectors searched as zeros (bad, or skipped and never read)
    std::vector<SectorRange> firstRanges; // the first few runs of them, in sector order
    quint64 otherRanges = 0;              // runs not listed in firstRanges
    quint64 readOnRetry = 0;              // skipped at first, read when retried (files hold zeros there)
    QString mapFile;                      // the mapfile written beside the results; empty: none
    QString mapError;                     // why the mapfile could not be written
};

struct RunOutcome {
    PassOutcome pass;  // how the last pass that ran ended
    UnreadableSummary unreadable;
    bool thoroughRan = false;
};

// "1000-1004, 2000, 5000-5007" (inclusive sector numbers) plus ", and N more"
// when there are other ranges.
QString describeRanges(const std::vector<SectorRange>& ranges, quint64 otherRanges);

} // namespace ostrel
