#pragma once
// The decisions at the end of a search in the window: whether a Stop answer
// stops it, when the final screen comes, what the final screen says and
// whether the search continues after it. QtCore only; main thread in the
// window.

#include "engine/PassOutcome.h"

#include <QString>

namespace wizard {

// True when a Yes to the Stop question asks the search to stop: only while
// it still runs and its final screen has not come (a late Yes must not
// leave a stop request behind for the next run).
bool stopRequested(bool answeredYes, bool searchRunning, bool finalScreenShown);

// True when the final screen comes at once; false while a preview's wait
// sheet is up: the preview shows it once the sheet has gone.
bool finalScreenNow(bool previewSheetUp);

// True when the user asked to continue and the stopped pass left sectors
// to search.
bool continuesAfterEnd(bool continueAsked, const ostrel::PassOutcome& pass);

// The final screen's words.
enum class EndMood { Done, Note, Warning };
struct EndScreen {
    QString title;
    EndMood mood = EndMood::Done;
    QString summary;       // paragraphs separated by an empty line
    QString notice;        // unreadable sectors and the map file; may be empty
    QString continueOffer; // the continue button's text; empty: no button
};

// What the search did, as the final screen needs it.
struct EndFacts {
    ostrel::RunOutcome outcome;
    quint64 filesFound = 0; // files handed to the window, listed or not
    QString folder;         // where they are, as shown to the user
    bool thorough = false;  // the thorough pass was asked for
    bool rangeOnly = false; // a sector range rather than the whole medium
};

EndScreen endScreenFor(const EndFacts& facts);

} // namespace wizard
