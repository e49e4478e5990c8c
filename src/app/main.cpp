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

int main(int argc, char** argv)
{
    const WindowLaunch launch = takeDeveloperOptions(argc, argv);
    auto run = [&launch](int appArgc, char** appArgv) { return runWindowApplication(appArgc, appArgv, launch); };
    if (!launch.sampleMedia.isEmpty() || !launch.edition.isEmpty())
        return run(argc, argv);
    return runProcessEntry(argc, argv, run);
}
