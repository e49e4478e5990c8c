#pragma once
// A message on the desktop from a process that has no window yet: the
// launcher of the window application tells the user why the program did not
// start (password prompt cancelled, no pkexec, ...), since a program started
// from a menu has no terminal to print to.

#include <QString>

// Shows `text` in a small modal dialog titled `title` and returns when the
// user has closed it. Needs a display; without one (or when the display
// cannot be reached) nothing is shown. Makes its own QApplication: call
// only when none exists. Main thread.
void showDesktopNotice(const QString& title, const QString& text);
