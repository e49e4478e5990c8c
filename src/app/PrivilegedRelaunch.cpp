#include "app/PrivilegedRelaunch.h"

#include "app/InvokingUser.h"
#include "app/UserPrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {
const QString kDefaultPath = QStringLiteral("/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin");

QStringList searchDirs(const QProcessEnvironment& env)
{
    QString path = env.value(QStringLiteral("PATH"));
    if (path.isEmpty())
        path = kDefaultPath;
    QStringList dirs;
    for (const QString& d : path.split(QLatin1Char(':')))
        dirs.append(d.isEmpty() ? QStringLiteral(".") : d);
    return dirs;
}

bool isWaylandSession(const QProcessEnvironment& env)
{
    return !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
           env.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland");
}

// Variables the copy's own window needs, handed over on its command line:
// the display, scaling, the desktop (theme) and the user's runtime folder
// (sound for the preview). QT_QPA_PLATFORM is taken only as "xcb".
const char* const kOwnWindow[] = {
    "DISPLAY", "XAUTHORITY", "XDG_RUNTIME_DIR", "XDG_CURRENT_DESKTOP",
    "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
    "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_QPA_PLATFORMTHEME",
};

bool isOwnWindowVariable(const QString& name, const QString& value)
{
    if (name == QLatin1String("QT_QPA_PLATFORM"))
        return value == QLatin1String("xcb");
    for (const char* known : kOwnWindow) {
        if (name == QLatin1String(known))
            return true;
    }
    return false;
}

const char kLauncherNameOption[] = "--launcher-name";
const char kSessionOption[] = "--session";

QString programLabel(const QString& executable)
{
    const QString name = QFileInfo(executable).fileName();
    return name.isEmpty() ? QStringLiteral("Ostrel Recovery") : name;
}

QString shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

bool shouldRelaunch(int argc)
{
    return argc >= 1 && argc <= 3;
}

QString launcherExecutablePath(const QString& argv0, const QString& workingDirectory, const QString& pathVariable)
{
    if (argv0.isEmpty())
        return QString();
    // QDir::absoluteFilePath and cleanPath work on the text alone: links in
    // the path stay as they are.
    const QDir cwd(workingDirectory);
    if (argv0.contains(QLatin1Char('/')))
        return QDir::cleanPath(cwd.absoluteFilePath(argv0));
    const QString path = pathVariable.isEmpty() ? kDefaultPath : pathVariable;
    for (const QString& dir : path.split(QLatin1Char(':'))) {
        const QString base = dir.isEmpty() ? QStringLiteral(".") : dir;
        const QString candidate = QDir::cleanPath(cwd.absoluteFilePath(base + QLatin1Char('/') + argv0));
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return candidate;
    }
    return QString();
}

QString findXAuthority(const QProcessEnvironment& env)
{
    const QString given = env.value(QStringLiteral("XAUTHORITY"));
    if (!given.isEmpty())
        return given;
    const QString runtime = env.value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty()) {
        // GNOME's mutter and KDE's KWin write the XWayland authority here
        // with a random suffix; a restarted session leaves older ones behind.
        const QFileInfoList found = QDir(runtime).entryInfoList(
            {QStringLiteral(".mutter-Xwaylandauth.*"), QStringLiteral("xauth_*")},
            QDir::Files | QDir::Hidden, QDir::Time);
        if (!found.isEmpty())
            return found.first().absoluteFilePath();
    }
    const QString home = env.value(QStringLiteral("HOME"));
    if (!home.isEmpty()) {
        const QString file = QDir(home).filePath(QStringLiteral(".Xauthority"));
        if (QFileInfo(file).isFile())
            return file;
    }
    return QString();
}


RelaunchPlan planRelaunch(const QString& executable, const QString& programFile, bool runningAsRoot,
                          const QProcessEnvironment& env, const QString& pkexecPath)
{
    const QStringList markers = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    const QString label = programLabel(executable);
    RelaunchPlan plan;

    if (runningAsRoot) {
        // Already root (sudo, a root session): the copy needs only a display.
        const bool anyDisplay = !env.value(QStringLiteral("DISPLAY")).isEmpty() ||
                                !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
                                !env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty();
        if (!anyDisplay) {
            plan.message = label + QStringLiteral(": no graphical display was found (neither DISPLAY nor "
                                                  "WAYLAND_DISPLAY is set), so the window cannot open. Start the "
                                                  "program from a desktop session (with sudo, keep the display: "
                                                  "sudo --preserve-env=DISPLAY,XAUTHORITY), or use the "
                                                  "command-line front end ostrel-recover.");
            return plan;
        }
        plan.request = {executable, markers, env.toStringList(), false};
        return plan;
    }
    if (pkexecPath.isEmpty()) {
        plan.message = label + QStringLiteral(": administrator rights are needed to read storage devices, and pkexec "
                                              "was not found. Install it (Debian: apt install pkexec), or start the "
                                              "program as root: sudo ") +
                       shellQuoted(executable);
        return plan;
    }

    const QString display = env.value(QStringLiteral("DISPLAY"));
    const bool wayland = isWaylandSession(env);
    if (display.isEmpty()) {
        if (wayland)
            plan.message = label + QStringLiteral(": this Wayland session offers no X11 display (DISPLAY is not set), "
                                                  "so the window cannot open with administrator rights. Enable "
                                                  "XWayland for the session and start the program again.");
        else
            plan.message = label + QStringLiteral(": no graphical display was found (DISPLAY is not set), so the "
                                                  "window cannot open. Start the program from a desktop session, or "
                                                  "use the command-line front end ostrel-recover.");
        return plan;
    }

    QStringList session;
    auto hand = [&session](const QString& name, const QString& value) {
        session << QString::fromLatin1(kSessionOption) << name + QLatin1Char('=') + value;
    };
    hand(QStringLiteral("DISPLAY"), display);
    const QString xauthority = findXAuthority(env);
    if (!xauthority.isEmpty())
        hand(QStringLiteral("XAUTHORITY"), xauthority);
    else
        plan.message = label + QStringLiteral(": no X authority file was found for display ") + display +
                       QStringLiteral("; if the window does not open, allow root to use the display with: "
                                      "xhost +SI:localuser:root");
    // Root GUI programs on Wayland open their windows through XWayland.
    if (wayland || env.value(QStringLiteral("QT_QPA_PLATFORM")) == QLatin1String("xcb"))
        hand(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QStringList names = env.keys();
    names.sort();
    for (const QString& name : names) {
        const QString value = env.value(name);
        if (name == QLatin1String("DISPLAY") || name == QLatin1String("XAUTHORITY") ||
            name == QLatin1String("QT_QPA_PLATFORM"))
            continue;
        if (isOwnWindowVariable(name, value) || isUserSessionVariable(name))
            hand(name, value);
    }

    const QStringList arguments = QStringList{programFile} << markers << QString::fromLatin1(kLauncherNameOption)
                                                           << QFileInfo(executable).fileName() << session;
    plan.request = {pkexecPath, arguments, env.toStringList(), true};
    return plan;
}

RelaunchArguments takeRelaunchArguments(int& argc, char** argv)
{
    RelaunchArguments taken;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (hasValue && std::strcmp(argv[i], kLauncherNameOption) == 0) {
            taken.launcherName = QFile::decodeName(argv[++i]);
        } else if (hasValue && std::strcmp(argv[i], kSessionOption) == 0) {
            const QString assignment = QFile::decodeName(argv[++i]);
            const qsizetype eq = assignment.indexOf(QLatin1Char('='));
            if (eq <= 0)
                continue;
            const QString name = assignment.left(eq);
            const QString value = assignment.mid(eq + 1);
            if (isOwnWindowVariable(name, value))
                taken.ownWindow.insert(name, value);
            if (isUserSessionVariable(name))
                taken.userSession.insert(name, value);
        } else {
            argv[out++] = argv[i];
        }
    }
    argv[out] = nullptr;
    argc = out;
    return taken;
}

void applyRelaunchArguments(const RelaunchArguments& arguments)
{
    for (const QString& name : arguments.ownWindow.keys())
        qputenv(name.toLatin1().constData(), arguments.ownWindow.value(name).toLocal8Bit());
    InvokingUser::setSession(arguments.userSession);
}

QString launchFailureText(const QString& label, const LaunchOutcome& outcome, const QString& program)
{
    switch (outcome.kind) {
    case LaunchOutcome::Kind::Started:
        return QString();
    case LaunchOutcome::Kind::Refused:
        return label + QStringLiteral(": administrator rights were not granted: the password prompt was cancelled "
                                      "or the password was refused. Reading storage devices needs these rights; "
                                      "start the program again to retry.");
    case LaunchOutcome::Kind::Failed:
        break;
    }
    if (outcome.error != 0)
        return label + QStringLiteral(": could not start ") + program + QStringLiteral(": ") +
               QString::fromLocal8Bit(std::strerror(outcome.error));
    if (outcome.status == 127)
        return label + QStringLiteral(": pkexec could not ask for administrator rights (exit status 127). Is an "
                                      "authentication agent running in this desktop session? Without one, start "
                                      "the program as root with sudo.");
    return label + QStringLiteral(": the program ended before its window opened (exit status %1).").arg(outcome.status);
}

TakeOver pollTakeOver(pid_t pid, int* status)
{
    int raw = 0;
    const pid_t done = ::waitpid(pid, &raw, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) {
        *status = done == pid && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return TakeOver::Ended;
    }
    // pkexec replaces itself by the program once the rights are granted;
    // the process name (readable by anyone, even for set-user-ID programs)
    // changes with it.
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (comm.open(QIODevice::ReadOnly)) {
        const QByteArray name = comm.readAll().trimmed();
        if (!name.isEmpty() && name != "pkexec")
            return TakeOver::TookOver;
    }
    return TakeOver::Waiting;
}

LaunchOutcome startRelaunch(const SpawnRequest& request)
{
    ProgramStart start;
    start.program = request.program;
    start.arguments = request.arguments;
    for (const QString& assignment : request.environment) {
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        if (eq > 0)
            start.environment.insert(assignment.left(eq), assignment.mid(eq + 1));
    }
    start.nullInput = false; // pkexec's text agent may ask on the terminal
    std::fflush(stdout);
    std::fflush(stderr);
    LaunchOutcome outcome;
    const pid_t pid = spawnChild(start, &outcome.error);
    if (pid < 0)
        return outcome;
    if (!request.throughPkexec) {
        outcome.kind = LaunchOutcome::Kind::Started;
        return outcome;
    }
    for (;;) {
        int status = 0;
        switch (pollTakeOver(pid, &status)) {
        case TakeOver::TookOver:
            outcome.kind = LaunchOutcome::Kind::Started;
            return outcome;
        case TakeOver::Ended:
            outcome.status = status;
            outcome.kind = status == 126 ? LaunchOutcome::Kind::Refused
                           : status == 0 ? LaunchOutcome::Kind::Started // ran and ended before we looked
                                         : LaunchOutcome::Kind::Failed;
            return outcome;
        case TakeOver::Waiting:
            break;
        }
        // The password prompt takes as long as the user needs.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

RelaunchHooks defaultRelaunchHooks()
{
    RelaunchHooks hooks;
    hooks.spawn = &startRelaunch;
    hooks.isRoot = [] { return geteuid() == 0; };
    hooks.environment = QProcessEnvironment::systemEnvironment();
    hooks.workingDirectory = QDir::currentPath();
    hooks.programFile = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    hooks.reportError = [](const QString& text) {
        const QByteArray line = text.toLocal8Bit();
        std::fprintf(stderr, "%s\n", line.constData());
        std::fflush(stderr);
    };
    hooks.showFailure = hooks.reportError;
    hooks.terminate = [](int code) { _exit(code); };
    return hooks;
}

int runProcessEntry(int argc, char** argv, const std::function<int(int, char**)>& runApplication, RelaunchHooks hooks)
{
    if (!shouldRelaunch(argc))
        return runApplication(argc, argv);

    const RelaunchHooks defaults = defaultRelaunchHooks();
    if (!hooks.spawn)
        hooks.spawn = defaults.spawn;
    if (!hooks.isRoot)
        hooks.isRoot = defaults.isRoot;
    if (hooks.environment.isEmpty())
        hooks.environment = defaults.environment;
    if (hooks.workingDirectory.isEmpty())
        hooks.workingDirectory = defaults.workingDirectory;
    if (hooks.programFile.isEmpty())
        hooks.programFile = defaults.programFile;
    if (!hooks.reportError)
        hooks.reportError = defaults.reportError;
    if (!hooks.showFailure)
        hooks.showFailure = hooks.reportError;
    if (!hooks.terminate)
        hooks.terminate = defaults.terminate;

    const QProcessEnvironment& env = hooks.environment;
    QString executable = launcherExecutablePath(argv && argv[0] ? QFile::decodeName(argv[0]) : QString(),
                                                hooks.workingDirectory, env.value(QStringLiteral("PATH")));
    if (executable.isEmpty()) // started under a name we cannot find again: the program file itself
        executable = hooks.programFile;

    const bool root = hooks.isRoot();
    const QString pkexec = root ? QString() : QStandardPaths::findExecutable(QStringLiteral("pkexec"), searchDirs(env));
    const RelaunchPlan plan = planRelaunch(executable, hooks.programFile, root, env, pkexec);
    const QString label = programLabel(executable);
    int code = 0;
    if (plan.request.program.isEmpty()) {
        hooks.showFailure(plan.message);
        code = 1;
    } else {
        if (!plan.message.isEmpty())
            hooks.reportError(plan.message);
        const LaunchOutcome outcome = hooks.spawn(plan.request);
        if (outcome.kind != LaunchOutcome::Kind::Started) {
            hooks.showFailure(launchFailureText(label, outcome, plan.request.program));
            code = outcome.status > 0 ? outcome.status : 1;
        }
    }
    hooks.terminate(code);
    return code;
}
