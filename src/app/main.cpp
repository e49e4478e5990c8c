// Entry of the window application. The program the user starts only obtains
// administrator rights and starts a privileged copy of itself (see
// app/PrivilegedRelaunch.h); that copy runs the window.
//
// Developer options, not shown anywhere to users: with any of them the
// program runs at once in the user's own rights (nothing it then does needs
// more) and they are taken out of the arguments before Qt sees them.
//   --sample-medium IMAGE   list a disk image as a medium (may be repeated)
//   --edition KEY           run an edition by key ("camera", "removable", ...)
// (The screenshot walk is a separate developer tool, ostrel-screenshot-tour.)

#include "app/PrivilegedRelaunch.h"
#include "app/WindowApplication.h"

#include <cstring>

namespace {

// Removes the developer options (and their values) from argv.
WindowLaunch takeDeveloperOptions(int& argc, char** argv)
{
    WindowLaunch launch;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (hasValue && std::strcmp(argv[i], "--sample-medium") == 0)
            launch.sampleMedia << QString::fromLocal8Bit(argv[++i]);
        else if (hasValue && std::strcmp(argv[i], "--edition") == 0)
            launch.edition = QString::fromLocal8Bit(argv[++i]);
        else
            argv[out++] = argv[i];
    }
    argv[out] = nullptr;
    argc = out;
    return launch;
}

} // namespace

int main(int argc, char** argv)
{
    const WindowLaunch launch = takeDeveloperOptions(argc, argv);
    auto run = [&launch](int appArgc, char** appArgv) { return runWindowApplication(appArgc, appArgv, launch); };
    if (!launch.sampleMedia.isEmpty() || !launch.edition.isEmpty())
        return run(argc, argv);
    return runProcessEntry(argc, argv, run);
}
