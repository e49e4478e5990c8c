#pragma once
// When a found file is listed in a results browser, and when the browser
// scrolls to its end. The browsers hold at most `limit` items (the engine
// clears them when its own count reaches the limit). QtCore only; main
// thread in the window.

#include <QtGlobal>

namespace wizard {

enum class Listing {
    Show,      // list it; the count goes up once it is listed
    CountOnly, // the browser is full: counted, not shown
    Neither,   // the count reached the limit while items were removed:
               // neither shown nor counted until the next clearing
};

// The rule for one found file: `shown` items in the browser, `counted` files
// counted since the last clearing (Listed_File_Count), `limit` the cap.
Listing listingFor(quint64 shown, quint64 counted, quint64 limit);

// True when the browser scrolls to its end after the `count`-th listed file:
// every sixth photo, every fourth file of the other modes.
bool scrollsToEnd(quint64 count, int mode);

} // namespace wizard
