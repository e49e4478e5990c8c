#pragma once
// Process entry of the window application and its privileged relaunch.
//
// The program the user starts only obtains administrator rights: with an
// argument count (argc, the program path included) of 1, 2 or 3 it starts a
// second copy of its own executable as root with the three arguments "a",
// "b", "c" and ends at once with exit code 0, without waiting for the copy.
// The copy (argc 4) and any other count (0, or 4 and more) run the
// application in the same process. QtCore only, and every step that touches
// the system can be replaced, so the whole entry runs in tests.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

// One program start: argv[0] is `program` itself; `environment` is the
// child's complete environment ("NAME=value").
struct SpawnRequest {
    QString program;
    QStringList arguments;   // argv[1] onwards
    QStringList environment;
};

// Starts the program and does not wait for it. Returns false when it could
// not be started.
using Spawner = std::function<bool(const SpawnRequest&)>;

// True for the argument counts that relaunch: 1, 2 and 3.
bool shouldRelaunch(int argc);

// The executable as it was started, absolute but with links kept: the
// edition is chosen from the name the program was started as, and the
// edition launchers are links to one program. A name without '/' is looked
// up in `pathVariable` as the shell did; a relative path is completed with
// `workingDirectory`. Empty when argv[0] is empty or not found.
QString launcherExecutablePath(const QString& argv0, const QString& workingDirectory, const QString& pathVariable);

// The X authority file for the display of this session: XAUTHORITY when set,
// else the one the Wayland compositor made for XWayland in XDG_RUNTIME_DIR
// (".mutter-Xwaylandauth.*", "xauth_*"; the newest), else ~/.Xauthority when
// it exists. Empty when none is found.
QString findXAuthority(const QProcessEnvironment& env);

// What the launcher will do: start `request`, or (when `request.program` is
// empty) only print `message`. `message` may also hold a notice printed
// before starting.
struct RelaunchPlan {
    SpawnRequest request;
    QString message;
};

// Builds the start of the privileged copy of `executable`.
//  - Already root: the executable itself, same environment.
//  - Otherwise through pkexec (at `pkexecPath`; empty: not installed, which
//    gives a message on how to start as root instead). pkexec clears the
//    environment, so the display variables are handed over with
//    `pkexec env NAME=value ... executable a b c`: DISPLAY, the X authority
//    file, WAYLAND_DISPLAY, XDG_RUNTIME_DIR, the locale and the Qt scaling
//    variables. On a Wayland session the copy opens its window through
//    XWayland (QT_QPA_PLATFORM=xcb), as root GUI programs do; without
//    DISPLAY no window can open and the plan is a message saying why.
RelaunchPlan planRelaunch(const QString& executable, bool runningAsRoot, const QProcessEnvironment& env,
                          const QString& pkexecPath, const QString& envPath = QStringLiteral("/usr/bin/env"));

// The replaceable system steps of the entry.
struct RelaunchHooks {
    Spawner spawn;                               // default: spawnDetached
    std::function<bool()> isRoot;                // default: effective uid 0
    QProcessEnvironment environment;             // default: this process's environment
    QString workingDirectory;                    // default: the current directory
    std::function<void(const QString&)> reportError; // default: a line on standard error
    std::function<void(int)> terminate;          // default: _exit, no exit handlers
};
RelaunchHooks defaultRelaunchHooks();

// Default spawner. pkexec refuses to serve a process whose parent has
// already ended, and the launcher ends at once; so a small intermediate
// process starts the program and waits for it, while the launcher itself
// returns immediately. Standard input, output and error are inherited.
bool spawnDetached(const SpawnRequest& request);

// The process entry. With argc 1-3 it relaunches and ends through
// `hooks.terminate(0)` (with the default, the process ends there; with a
// terminate that returns, 0 is returned). Any other count returns
// `runApplication(argc, argv)` with the arguments unchanged.
int runProcessEntry(int argc, char** argv, const std::function<int(int, char**)>& runApplication,
                    RelaunchHooks hooks = defaultRelaunchHooks());
