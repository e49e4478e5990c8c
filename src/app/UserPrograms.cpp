#include "app/UserPrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <spawn.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {
std::vector<std::string> encoded(const QStringList& list)
{
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(list.size()));
    for (const QString& s : list)
        out.push_back(QFile::encodeName(s).toStdString());
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}
} // namespace

ProgramStart startForUser(const InvokingUser& user, const QString& program, const QStringList& arguments,
                          const QProcessEnvironment& own, const QString& setprivPath)
{
    ProgramStart start;
    start.environment = user.programEnvironment(own);
    start.workingDirectory = QFileInfo::exists(user.home) ? user.home : QStringLiteral("/");
    if (!user.differsFromProcess) {
        start.program = program;
        start.arguments = arguments;
        return start;
    }
    if (setprivPath.isEmpty())
        return start;
    // --init-groups gives them their supplementary groups (e.g. for the
    // sound device); the environment is left exactly as built above.
    start.program = setprivPath;
    start.arguments = QStringList{QStringLiteral("--reuid=%1").arg(user.uid), QStringLiteral("--regid=%1").arg(user.gid),
                                  QStringLiteral("--init-groups"), QStringLiteral("--")}
                      << program << arguments;
    return start;
}

QString findUserProgram(const InvokingUser& user, const QString& name)
{
    const QProcessEnvironment env = user.programEnvironment(QProcessEnvironment::systemEnvironment());
    QStringList dirs = env.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    dirs << QStringLiteral("/usr/local/bin") << QStringLiteral("/usr/bin") << QStringLiteral("/bin")
         << QStringLiteral("/usr/sbin") << QStringLiteral("/sbin");
    // Relative PATH entries would depend on our working folder, not theirs.
    dirs.removeIf([](const QString& d) { return !QDir::isAbsolutePath(d); });
    return QStandardPaths::findExecutable(name, dirs);
}

pid_t spawnChild(const ProgramStart& start, int* error)
{
    if (start.program.isEmpty()) {
        *error = ENOENT;
        return -1;
    }
    std::vector<std::string> argvStrings = encoded(QStringList{start.program} + start.arguments);
    std::vector<std::string> envStrings = encoded(start.environment.toStringList());
    std::vector<char*> argv = pointers(argvStrings);
    std::vector<char*> envp = pointers(envStrings);
    const std::string cwd = QFile::encodeName(start.workingDirectory).toStdString();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (start.nullInput)
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argvStrings.front().c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        *error = rc;
        return -1;
    }
    *error = 0;
    return pid;
}
