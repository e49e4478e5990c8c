#pragma once
// Starting the window: the Qt application, its style and media backend, the
// controller with its options. Shared by the program and the developer
// tools that drive the real window (the screenshot tour).

#include "ui/MyTableController.h"

#include <QString>
#include <QStringList>

#include <functional>

struct WindowLaunch {
    QString edition;         // edition key ("camera", ...); empty: by program name
    QStringList sampleMedia; // disk images listed as media
    // The name the user started (the relaunched copy runs as the program
    // file): the edition follows it. Empty: the program's own name.
    QString launcherName;
    // Runs once the application exists, before the controller is made: may
    // change the controller's options.
    std::function<void(MyTableController::Options&)> prepare;
    // Runs once the window is set up, before the event loop.
    std::function<void(MyTableController&)> started;
};

// Takes the developer options out of argv (with their values), leaving the
// rest for Qt and the caller:
//   --sample-medium IMAGE   list a disk image as a medium (may be repeated)
//   --edition KEY           run an edition by key ("camera", "removable", ...)
WindowLaunch takeDeveloperOptions(int& argc, char** argv);

// Runs the window application until it quits; returns its exit status.
int runWindowApplication(int argc, char** argv, const WindowLaunch& launch);
