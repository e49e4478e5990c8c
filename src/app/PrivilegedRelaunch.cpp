#include "app/PrivilegedRelaunch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/types.h>
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

// Variables the window of the root copy needs besides DISPLAY and the X
// authority: the user's runtime folder (sound for the preview), the desktop
// (theme), language and scaling.
const char* const kHandedOver[] = {
    "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "XDG_CURRENT_DESKTOP", "LANG", "LANGUAGE",
    "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
    "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_QPA_PLATFORMTHEME",
};

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

std::vector<std::string> toStdStrings(const QStringList& list)
{
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(list.size()));
    for (const QString& s : list)
        out.push_back(QFile::encodeName(s).toStdString());
    return out;
}

std::vector<char*> toPointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
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

RelaunchPlan planRelaunch(const QString& executable, bool runningAsRoot, const QProcessEnvironment& env,
                          const QString& pkexecPath, const QString& envPath)
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
        plan.request = {executable, markers, env.toStringList()};
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

    QStringList assignments;
    assignments << QStringLiteral("DISPLAY=") + display;
    const QString xauthority = findXAuthority(env);
    if (!xauthority.isEmpty())
        assignments << QStringLiteral("XAUTHORITY=") + xauthority;
    else
        plan.message = label + QStringLiteral(": no X authority file was found for display ") + display +
                       QStringLiteral("; if the window does not open, allow root to use the display with: "
                                      "xhost +SI:localuser:root");
    // Root GUI programs on Wayland open their windows through XWayland.
    if (wayland)
        assignments << QStringLiteral("QT_QPA_PLATFORM=xcb");
    else if (env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        assignments << QStringLiteral("QT_QPA_PLATFORM=") + env.value(QStringLiteral("QT_QPA_PLATFORM"));
    for (const char* name : kHandedOver) {
        const QString key = QString::fromLatin1(name);
        if (env.contains(key))
            assignments << key + QLatin1Char('=') + env.value(key);
    }
    QStringList localeKeys;
    for (const QString& key : env.keys()) {
        if (key.startsWith(QLatin1String("LC_")))
            localeKeys << key;
    }
    localeKeys.sort();
    for (const QString& key : localeKeys)
        assignments << key + QLatin1Char('=') + env.value(key);

    QStringList arguments;
    arguments << envPath << assignments;
    if (executable.contains(QLatin1Char('='))) {
        // env would take a path holding '=' for one more assignment.
        arguments << QStringLiteral("/bin/sh") << QStringLiteral("-c") << QStringLiteral("exec \"$0\" \"$@\"");
    }
    arguments << executable << markers;
    plan.request = {pkexecPath, arguments, env.toStringList()};
    return plan;
}

bool spawnDetached(const SpawnRequest& request)
{
    // Everything the intermediate process needs is built before fork.
    std::vector<std::string> argvStrings = toStdStrings(QStringList{request.program} + request.arguments);
    std::vector<std::string> envStrings = toStdStrings(request.environment);
    std::vector<char*> argv = toPointers(argvStrings);
    std::vector<char*> envp = toPointers(envStrings);
    const std::string program = argvStrings.front();

    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t intermediate = fork();
    if (intermediate < 0)
        return false;
    if (intermediate > 0)
        return true;

    // The copy inherits standard input, output and error, nothing else of
    // the launcher's.
    closefrom(3);
    pid_t child = 0;
    const int rc = posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv.data(), envp.data());
    if (rc != 0) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), std::strerror(rc));
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    _exit(0);
}

RelaunchHooks defaultRelaunchHooks()
{
    RelaunchHooks hooks;
    hooks.spawn = &spawnDetached;
    hooks.isRoot = [] { return geteuid() == 0; };
    hooks.environment = QProcessEnvironment::systemEnvironment();
    hooks.workingDirectory = QDir::currentPath();
    hooks.reportError = [](const QString& text) {
        const QByteArray line = text.toLocal8Bit();
        std::fprintf(stderr, "%s\n", line.constData());
        std::fflush(stderr);
    };
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
    if (!hooks.reportError)
        hooks.reportError = defaults.reportError;
    if (!hooks.terminate)
        hooks.terminate = defaults.terminate;

    const QProcessEnvironment& env = hooks.environment;
    QString executable = launcherExecutablePath(argv && argv[0] ? QFile::decodeName(argv[0]) : QString(),
                                                hooks.workingDirectory, env.value(QStringLiteral("PATH")));
    if (executable.isEmpty()) // started under a name we cannot find again: the program file itself
        executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();

    const bool root = hooks.isRoot();
    const QStringList dirs = searchDirs(env);
    const QString pkexec = root ? QString() : QStandardPaths::findExecutable(QStringLiteral("pkexec"), dirs);
    QString envTool = QStandardPaths::findExecutable(QStringLiteral("env"), dirs);
    if (envTool.isEmpty())
        envTool = QStringLiteral("/usr/bin/env");

    const RelaunchPlan plan = planRelaunch(executable, root, env, pkexec, envTool);
    if (!plan.message.isEmpty())
        hooks.reportError(plan.message);
    if (!plan.request.program.isEmpty() && !hooks.spawn(plan.request))
        hooks.reportError(programLabel(executable) + QStringLiteral(": could not start ") + plan.request.program +
                          QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
    hooks.terminate(0);
    return 0;
}
