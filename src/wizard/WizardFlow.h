#pragma once
// The wizard's order of screens and what Next and Back do on each, as plain
// rules over the two numbers the window keeps: `screen_counter` (0..3) and
// the search mode (0 photo, 1 video, 2 raw file, 3 audio). Photo mode has no
// file-type screen: its search starts from the settings. QtCore only; main
// thread in the window, any thread in tests.

namespace wizard {

// The wizard's screens, in the order Next walks them.
enum class Screen { Medium, Settings, FileTypes, Results };

// The screen shown for `screenCounter` in `mode`.
Screen screenOf(int screenCounter, int mode);

// The step the header marks as current, 1..4. Photo mode skips step 3 (the
// file types), so its results are step 4 as in the other modes.
int headerStep(int screenCounter, int mode);

// What Next does on the screen of `screenCounter` in `mode`.
enum class NextStep {
    CheckMedium,    // a medium must be chosen; on to the settings
    CheckSettings,  // the settings' checks; photo: the search starts
    CheckFileTypes, // at least one type; the search starts
    Nothing,        // the results screen: Next does nothing
};
NextStep nextStep(int screenCounter, int mode);

// True when Back may act: not while a search runs and its final screen has
// not been shown yet (the button is disabled then; a click that slips
// through is ignored).
bool backAllowed(bool searchRunning, bool finalScreenShown);

// The counter Back leads to from `screenCounter`; the medium screen (0)
// has nowhere to go back to and stays.
int backFrom(int screenCounter);

} // namespace wizard
