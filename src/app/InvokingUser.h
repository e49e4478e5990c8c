#pragma once
// The person the program works for. Started through pkexec or sudo, the
// process runs as root, yet the folder chooser, the support folder and the
// programs opened for the user (file manager, PDF viewer, browser, mail)
// belong to the person who started it: PKEXEC_UID or SUDO_UID names them,
// their passwd entry gives name, group and home, and their desktop session
// lives in /run/user/UID. Without either variable the process's own user is
// the one. QtCore only.

#include <QProcessEnvironment>
#include <QString>

#include <functional>
#include <optional>
#include <sys/types.h>

// One passwd entry, as much of it as the program needs.
struct PasswdEntry {
    QString name;
    gid_t gid = 0;
    QString home;
    QString shell;
};
// Looks a user up by id; std::nullopt when there is no such user.
using PasswdLookup = std::function<std::optional<PasswdEntry>(uid_t)>;
// The system's passwd database (getpwuid_r).
std::optional<PasswdEntry> systemPasswdLookup(uid_t uid);

struct InvokingUser {
    uid_t uid = 0;
    gid_t gid = 0;
    QString name;
    QString home;
    QString shell;
    QString runtimeDir; // XDG_RUNTIME_DIR of their session; empty when unknown
    QString sessionBus; // DBUS_SESSION_BUS_ADDRESS of their session; empty when unknown
    // Runs as root on behalf of someone else (pkexec, sudo): their programs
    // must be started with their identity, not ours.
    bool differsFromProcess = false;
    // The variables of their desktop session that the privileged copy was
    // handed (see userSessionVariables); only these are trusted for them.
    QProcessEnvironment session;

    // Who the program works for. `env` is this process's environment,
    // `processUid` its real user id, `session` the user's desktop variables
    // handed over by the launcher (may be empty).
    static InvokingUser resolve(const QProcessEnvironment& env, uid_t processUid, const QProcessEnvironment& session,
                                const PasswdLookup& lookup = systemPasswdLookup);

    // The process-wide answer, resolved on first use from this process's
    // environment and the session handed over by setSession(). Any thread
    // once resolved; the first call should come from main().
    static const InvokingUser& current();
    // Records the user's desktop variables handed over on the command line;
    // call before the first current().
    static void setSession(const QProcessEnvironment& session);

    // Their XDG data folder: XDG_DATA_HOME when it was handed over and is
    // absolute, else home/.local/share. For the process's own user, Qt's
    // GenericDataLocation.
    QString dataHome() const;

    // The environment for a program started for them: their HOME, USER,
    // LOGNAME, SHELL and a user's PATH, this process's DISPLAY, XAUTHORITY
    // and language, and their session (runtime folder, D-Bus, Wayland,
    // desktop name). For the process's own user: `own` unchanged.
    QProcessEnvironment programEnvironment(const QProcessEnvironment& own) const;
};

// The names of the session variables the launcher hands over for the user
// (D-Bus address, runtime folder, Wayland display, desktop name, data
// folder). True for those only.
bool isUserSessionVariable(const QString& name);

// Makes `path` with its missing parents as the user `uid`/`gid` (in a
// child process that has taken their identity), so what is made is theirs
// and nothing they could not make themselves is made. True when the folder
// exists afterwards. Main thread; blocks for the few milliseconds it takes.
bool createFolderAs(uid_t uid, gid_t gid, const QString& path);
