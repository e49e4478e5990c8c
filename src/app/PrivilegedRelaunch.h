#pragma once
// Process entry of the window application and its privileged relaunch.
//
// The program the user starts only obtains administrator rights: with an
// argument count (argc, the program path included) of 1, 2 or 3 it starts a
// second copy of its program file as root with the arguments "a", "b", "c"
// and what the copy needs of the session (see planRelaunch). Through pkexec
// it stays until the copy has taken over (pkexec has started it), then ends
// with exit code 0; a refused or cancelled password prompt, or a copy that
// cannot be started, is reported on the desktop and ends it with a non-zero
// code. The copy (argc 4 and more) and argc 0 run the application in the
// same process. QtCore only, and every step that touches the system can be
// replaced, so the whole entry runs in tests.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/types.h>

// One program start: argv[0] is `program` itself; `environment` is the
// child's complete environment ("NAME=value").
struct SpawnRequest {
    QString program;
    QStringList arguments;   // argv[1] onwards
    QStringList environment;
    // pkexec: wait until it has started the copy (or has given up).
    bool throughPkexec = false;
};

// What became of a relaunch.
struct LaunchOutcome {
    enum class Kind {
        Started,  // the copy runs (or, without pkexec, was started)
        Refused,  // pkexec ended with 126: the password prompt was cancelled or refused
        Failed,   // it could not be started, or pkexec ended with another status
    };
    Kind kind = Kind::Failed;
    int status = 0; // pkexec's exit status when it ended first
    int error = 0;  // errno when the program could not be started at all
};

// Starts a request and reports its outcome.
using Spawner = std::function<LaunchOutcome(const SpawnRequest&)>;

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
// empty) only report `message`. With a request, `message` may hold a notice
// printed before starting.
struct RelaunchPlan {
    SpawnRequest request;
    QString message;
};

// Builds the start of the privileged copy.
//  - Already root: `executable` (as started) itself with "a" "b" "c", same
//    environment.
//  - Otherwise `pkexec programFile a b c --launcher-name NAME --session
//    VAR=VALUE ...` (pkexecPath empty: not installed, which gives a message
//    on how to start as root instead). pkexec runs the program file itself,
//    so the installed polkit action (its message, icon and allow_gui)
//    applies; the name the program was started as (which selects the
//    edition) and the session travel as arguments, since pkexec clears the
//    environment: DISPLAY, the X authority file, the Qt scaling variables
//    and, for the programs opened for the user, their D-Bus address, runtime
//    folder and desktop. On a Wayland session the copy opens its window
//    through XWayland (QT_QPA_PLATFORM=xcb), as root GUI programs do;
//    without DISPLAY no window can open and the plan is a message saying why.
RelaunchPlan planRelaunch(const QString& executable, const QString& programFile, bool runningAsRoot,
                          const QProcessEnvironment& env, const QString& pkexecPath);

// The arguments the launcher adds for the copy, taken back out of its argv.
struct RelaunchArguments {
    QString launcherName;            // the name the user started; empty: not relaunched
    QProcessEnvironment ownWindow;   // variables the copy's own window needs
    QProcessEnvironment userSession; // the user's session (see InvokingUser)
};

// Removes "--launcher-name NAME" and every "--session VAR=VALUE" from argv
// and returns them. Variables outside the known sets are dropped: the copy
// runs as root and takes nothing else from its command line.
RelaunchArguments takeRelaunchArguments(int& argc, char** argv);

// Sets the own-window variables in this process's environment and hands the
// user's session to InvokingUser. Call before the QApplication is made.
void applyRelaunchArguments(const RelaunchArguments& arguments);

// The replaceable system steps of the entry.
struct RelaunchHooks {
    Spawner spawn;                               // default: startRelaunch
    std::function<bool()> isRoot;                // default: effective uid 0
    QProcessEnvironment environment;             // default: this process's environment
    QString workingDirectory;                    // default: the current directory
    QString programFile;                         // default: this process's program file, links resolved
    std::function<void(const QString&)> reportError; // notices: default, a line on standard error
    // Why nothing runs: default, reportError. The window application also
    // shows it in a small dialog on the desktop.
    std::function<void(const QString&)> showFailure;
    std::function<void(int)> terminate;          // default: _exit, no exit handlers
};
RelaunchHooks defaultRelaunchHooks();

// What the user is told for an outcome other than Started; `label` names
// the program.
QString launchFailureText(const QString& label, const LaunchOutcome& outcome, const QString& program);

// Where a started pkexec stands.
enum class TakeOver { Waiting, TookOver, Ended };
// Looks at the child `pid` once, without blocking: TookOver once pkexec has
// replaced itself by the program (its process name changed), Ended (with
// `*status` its exit status, -1 when killed) when it has ended, else
// Waiting. The launcher must stay alive until then: pkexec refuses to serve
// a process whose parent has ended.
TakeOver pollTakeOver(pid_t pid, int* status);

// Default spawner. With `throughPkexec` it waits until pkexec has started
// the copy or has ended; otherwise it returns as soon as the copy is
// started. Standard input, output and error are inherited.
LaunchOutcome startRelaunch(const SpawnRequest& request);

// The process entry. With argc 1-3 it relaunches and ends through
// `hooks.terminate` (0 when the copy runs, else non-zero; with a terminate
// that returns, that code is returned). Any other count returns
// `runApplication(argc, argv)` with the arguments unchanged.
int runProcessEntry(int argc, char** argv, const std::function<int(int, char**)>& runApplication,
                    RelaunchHooks hooks = defaultRelaunchHooks());
