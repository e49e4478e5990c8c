#pragma once
// The checks Next makes before it leaves a wizard screen, in the order the
// user meets their alerts: the destination, then the sector range, then the
// signature files. Each answers ok or the alert to show and the field that
// gets the focus after it. QtCore only; main thread in the window.

#include <QString>

#include <functional>

namespace wizard {

// The field the focus goes to after a check's alert.
enum class Focus { None, Destination, StartField, EndField, TypeList };

struct CheckResult {
    QString message; // the alert's text; empty: the check passed
    Focus focus = Focus::None;
    bool ok() const { return message.isEmpty(); }
};

// True when every character is an ASCII digit (the empty text passes).
bool Check_For_Valid_Sec(const QString& text);

// True when `text` is a sector the range may use on a medium of
// `totalText` sectors: not empty, digits only, no longer than the total's
// text and not above it.
bool validRangeField(const QString& text, const QString& totalText);

// What the settings screen holds when Next is pressed.
struct SettingsInput {
    QString destination;    // the destination folder's text
    bool rangeChosen = false; // "Sector Range" on and "Entire Disk" off
    QString start, end;     // the range fields' texts
    QString total;          // the medium's sector count, as text
    // Asked only for a non-empty destination (it reads the system's tables).
    std::function<bool()> destinationOnMedium;
    // Asked last: why the mode's signature files cannot be used; empty: they can.
    std::function<QString()> tablesProblem;
};

// The settings screen's checks, first failure wins.
CheckResult checkSettings(const SettingsInput& in);

// The medium screen's check: a row must be chosen.
CheckResult checkMediumChosen(bool rowChosen);

// The file-type screen's check: at least one type must be ticked.
CheckResult checkTypesChosen(bool anyTicked);

} // namespace wizard
