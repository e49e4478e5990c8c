#include "app/InvokingUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const char* const kUserSessionVariables[] = {
    "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
    "XDG_SESSION_TYPE",         "DESKTOP_SESSION", "XDG_DATA_HOME",
};

// What a program of the user's needs from this process: its display and
// language (pkexec keeps these for a GUI action, and the relaunch hands
// them over besides).
bool isDisplayOrLanguage(const QString& name)
{
    return name == QLatin1String("DISPLAY") || name == QLatin1String("XAUTHORITY") ||
           name == QLatin1String("LANG") || name == QLatin1String("LANGUAGE") || name.startsWith(QLatin1String("LC_"));
}

std::optional<uid_t> uidFrom(const QString& text)
{
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 10);
    if (!ok || value >= static_cast<qulonglong>(static_cast<uid_t>(-1)))
        return std::nullopt;
    return static_cast<uid_t>(value);
}

QProcessEnvironment& sessionStore()
{
    static QProcessEnvironment session;
    return session;
}
} // namespace

std::optional<PasswdEntry> systemPasswdLookup(uid_t uid)
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 16384));
    struct passwd entry {};
    struct passwd* found = nullptr;
    while (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (!found)
        return std::nullopt;
    return PasswdEntry{QFile::decodeName(found->pw_name), found->pw_gid, QFile::decodeName(found->pw_dir),
                       QFile::decodeName(found->pw_shell)};
}

bool isUserSessionVariable(const QString& name)
{
    for (const char* known : kUserSessionVariables) {
        if (name == QLatin1String(known))
            return true;
    }
    return false;
}

InvokingUser InvokingUser::resolve(const QProcessEnvironment& env, uid_t processUid, const QProcessEnvironment& session,
                                   const PasswdLookup& lookup)
{
    InvokingUser user;
    user.uid = processUid;
    // pkexec sets PKEXEC_UID; sudo sets SUDO_UID. Only root acts for others.
    if (processUid == 0) {
        for (const char* variable : {"PKEXEC_UID", "SUDO_UID"}) {
            if (const std::optional<uid_t> uid = uidFrom(env.value(QString::fromLatin1(variable)))) {
                user.uid = *uid;
                break;
            }
        }
    }
    user.differsFromProcess = user.uid != processUid;
    if (const std::optional<PasswdEntry> entry = lookup ? lookup(user.uid) : std::nullopt) {
        user.name = entry->name;
        user.gid = entry->gid;
        user.home = entry->home;
        user.shell = entry->shell;
    } else if (user.differsFromProcess) {
        // Someone the system does not know: act for nobody but ourselves.
        return resolve(QProcessEnvironment(), processUid, QProcessEnvironment(), lookup);
    } else {
        user.gid = ::getgid();
        user.home = env.value(QStringLiteral("HOME"));
    }

    if (!user.differsFromProcess) {
        // Our own session: the environment says it all.
        user.session = QProcessEnvironment();
        for (const char* name : kUserSessionVariables) {
            const QString key = QString::fromLatin1(name);
            if (env.contains(key))
                user.session.insert(key, env.value(key));
        }
    } else {
        for (const QString& key : session.keys()) {
            if (isUserSessionVariable(key))
                user.session.insert(key, session.value(key));
        }
    }
    user.runtimeDir = user.session.value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (user.runtimeDir.isEmpty()) {
        // systemd-logind makes /run/user/UID for every logged-in user.
        const QString standard = QStringLiteral("/run/user/%1").arg(user.uid);
        const QFileInfo info(standard);
        if (info.isDir() && info.ownerId() == user.uid)
            user.runtimeDir = standard;
    }
    user.sessionBus = user.session.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    if (user.sessionBus.isEmpty() && !user.runtimeDir.isEmpty()) {
        // The user bus of a systemd session.
        const QString socket = user.runtimeDir + QStringLiteral("/bus");
        struct stat st {};
        if (::stat(QFile::encodeName(socket).constData(), &st) == 0 && S_ISSOCK(st.st_mode))
            user.sessionBus = QStringLiteral("unix:path=") + socket;
    }
    return user;
}

const InvokingUser& InvokingUser::current()
{
    static const InvokingUser user =
        resolve(QProcessEnvironment::systemEnvironment(), ::getuid(), sessionStore(), systemPasswdLookup);
    return user;
}

void InvokingUser::setSession(const QProcessEnvironment& session)
{
    sessionStore() = session;
}

QString InvokingUser::dataHome() const
{
    if (!differsFromProcess)
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString given = session.value(QStringLiteral("XDG_DATA_HOME"));
    if (QDir::isAbsolutePath(given))
        return QDir::cleanPath(given);
    return QDir(home).filePath(QStringLiteral(".local/share"));
}

QProcessEnvironment InvokingUser::programEnvironment(const QProcessEnvironment& own) const
{
    if (!differsFromProcess)
        return own;
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("USER"), name);
    env.insert(QStringLiteral("LOGNAME"), name);
    env.insert(QStringLiteral("SHELL"), shell.isEmpty() ? QStringLiteral("/bin/sh") : shell);
    // Debian's PATH for ordinary users (/etc/profile).
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games"));
    for (const QString& key : own.keys()) {
        if (isDisplayOrLanguage(key))
            env.insert(key, own.value(key));
    }
    for (const QString& key : session.keys())
        env.insert(key, session.value(key));
    if (!runtimeDir.isEmpty())
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    if (!sessionBus.isEmpty())
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus);
    return env;
}

bool createFolderAs(uid_t uid, gid_t gid, const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (!QDir::isAbsolutePath(clean))
        return false;
    // Every component from the root down, made before the fork: the child
    // may only make system calls.
    std::vector<std::string> components;
    for (qsizetype slash = clean.indexOf(QLatin1Char('/'), 1); slash > 0; slash = clean.indexOf(QLatin1Char('/'), slash + 1))
        components.push_back(QFile::encodeName(clean.left(slash)).toStdString());
    components.push_back(QFile::encodeName(clean).toStdString());

    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        if (::setgroups(1, &gid) != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0)
            ::_exit(2);
        for (const std::string& component : components) {
            if (::mkdir(component.c_str(), 0777) != 0 && errno != EEXIST)
                ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && QFileInfo(clean).isDir();
}
