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
#include "edition/EditionProfile.h"
#include "ui/WindowApplication.h"
#include "ui/DesktopNotice.h"

#include <cstdio>

namespace {

// Refuses an edition key that names none of the editions, with the list.
bool knownEdition(const QString& edition)
{
    if (edition.isEmpty() || EditionProfile::fromNameOrKey(edition).matched)
        return true;
    std::fprintf(stderr, "ostrel-recovery: unknown edition \"%s\"; the editions are:", qPrintable(edition));
    for (int i = 0; i < kEditionCount; ++i)
        std::fprintf(stderr, " %s", editionTable()[i].key);
    std::fputs("\n", stderr);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    WindowLaunch launch = takeDeveloperOptions(argc, argv);
    if (!knownEdition(launch.edition))
        return 2;
    const RelaunchArguments relaunch = takeRelaunchArguments(argc, argv);
    applyRelaunchArguments(relaunch);
    launch.launcherName = relaunch.launcherName;
    auto run = [&launch](int appArgc, char** appArgv) { return runWindowApplication(appArgc, appArgv, launch); };
    if (!launch.sampleMedia.isEmpty() || !launch.edition.isEmpty())
        return run(argc, argv);
    RelaunchHooks hooks = defaultRelaunchHooks();
    const auto print = hooks.reportError;
    hooks.showFailure = [print](const QString& text) {
        print(text);
        // "NAME: what happened" on the console; in the dialog the name is
        // its title.
        const qsizetype colon = text.indexOf(QStringLiteral(": "));
        QString body = colon > 0 ? text.mid(colon + 2) : text;
        if (!body.isEmpty())
            body[0] = body[0].toUpper();
        showDesktopNotice(colon > 0 ? text.left(colon) : QStringLiteral("Ostrel Recovery"), body);
    };
    return runProcessEntry(argc, argv, run, hooks);
}
