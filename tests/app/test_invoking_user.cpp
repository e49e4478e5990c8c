// Who the program works for: the user named by PKEXEC_UID or SUDO_UID (only
// when running as root), their passwd entry, the session handed over, the
// environment a program started for them gets, the setpriv command line
// that starts it with their identity, and (as root only) a folder made as
// them being theirs. Uses a made-up passwd lookup; the folder test needs
// root and is skipped without it.
#include "app/InvokingUser.h"
#include "app/UserPrograms.h"
#include "common/QtPrinters.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {
std::optional<PasswdEntry> anna(uid_t uid)
{
    if (uid == 1000)
        return PasswdEntry{QStringLiteral("anna"), 1000, QStringLiteral("/home/anna"), QStringLiteral("/bin/bash")};
    if (uid == 0)
        return PasswdEntry{QStringLiteral("root"), 0, QStringLiteral("/root"), QStringLiteral("/bin/bash")};
    return std::nullopt;
}

QProcessEnvironment env(std::initializer_list<std::pair<const char*, const char*>> vars)
{
    QProcessEnvironment e;
    for (const auto& [k, v] : vars)
        e.insert(QString::fromLatin1(k), QString::fromLatin1(v));
    return e;
}

struct WhoCase {
    const char* variable;
    const char* value;
    uid_t processUid;
    uid_t expected;
    bool differs;
};

class InvokingUserWho : public ::testing::TestWithParam<WhoCase> {};

TEST_P(InvokingUserWho, ComesFromPkexecOrSudoOnlyForRoot)
{
    const WhoCase c = GetParam();
    const InvokingUser user = InvokingUser::resolve(env({{c.variable, c.value}, {"HOME", "/root"}}), c.processUid,
                                                    QProcessEnvironment(), anna);
    EXPECT_EQ(user.uid, c.expected);
    EXPECT_EQ(user.differsFromProcess, c.differs);
}

INSTANTIATE_TEST_SUITE_P(Cases, InvokingUserWho,
                         ::testing::Values(WhoCase{"PKEXEC_UID", "1000", 0, 1000, true},
                                           WhoCase{"SUDO_UID", "1000", 0, 1000, true},
                                           WhoCase{"NOTHING", "", 0, 0, false},
                                           // An ordinary user cannot act for another.
                                           WhoCase{"PKEXEC_UID", "0", 1000, 1000, false},
                                           // Garbage or an unknown user: nobody but ourselves.
                                           WhoCase{"PKEXEC_UID", "12ab", 0, 0, false},
                                           WhoCase{"PKEXEC_UID", "4242", 0, 0, false}));

TEST(InvokingUser, ProgramsStartedForThemGetTheirSessionAndIdentity)
{
    const QProcessEnvironment own = env({{"PKEXEC_UID", "1000"}, {"HOME", "/root"}, {"DISPLAY", ":0"},
                                         {"XAUTHORITY", "/home/anna/.Xauthority"}, {"LANG", "de_DE.UTF-8"},
                                         {"PATH", "/usr/sbin:/usr/bin:/sbin:/bin"}, {"LD_LIBRARY_PATH", "/opt/x"}});
    const QProcessEnvironment session = env({{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus"},
                                             {"XDG_RUNTIME_DIR", "/run/user/1000"},
                                             {"XDG_CURRENT_DESKTOP", "XFCE"},
                                             {"XDG_DATA_HOME", "/data/anna"},
                                             {"LD_PRELOAD", "/tmp/evil.so"}});
    const InvokingUser user = InvokingUser::resolve(own, 0, session, anna);
    EXPECT_EQ(user.name, QStringLiteral("anna"));
    EXPECT_EQ(user.home, QStringLiteral("/home/anna"));
    EXPECT_EQ(user.sessionBus, QStringLiteral("unix:path=/run/user/1000/bus"));
    EXPECT_EQ(user.dataHome(), QStringLiteral("/data/anna"));

    const QProcessEnvironment theirs = user.programEnvironment(own);
    EXPECT_EQ(theirs.keys(), (QStringList{"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "HOME", "LANG", "LOGNAME", "PATH",
                                          "SHELL", "USER", "XAUTHORITY", "XDG_CURRENT_DESKTOP", "XDG_DATA_HOME",
                                          "XDG_RUNTIME_DIR"}));
    EXPECT_EQ(theirs.value("HOME"), QStringLiteral("/home/anna"));
    EXPECT_FALSE(theirs.value("PATH").contains(QStringLiteral("sbin")));

    const ProgramStart start = startForUser(user, QStringLiteral("/usr/bin/xdg-open"), {QStringLiteral("/home/anna/x y")},
                                            own, QStringLiteral("/usr/bin/setpriv"));
    EXPECT_EQ(start.program, QStringLiteral("/usr/bin/setpriv"));
    EXPECT_EQ(start.arguments, (QStringList{"--reuid=1000", "--regid=1000", "--init-groups", "--",
                                            "/usr/bin/xdg-open", "/home/anna/x y"}));
    EXPECT_EQ(start.environment, theirs);
    // Without setpriv nothing is started as root in their place.
    EXPECT_TRUE(startForUser(user, QStringLiteral("/usr/bin/xdg-open"), {}, own, QString()).program.isEmpty());

    // Without a handed-over session their data folder is the standard one.
    EXPECT_EQ(InvokingUser::resolve(own, 0, QProcessEnvironment(), anna).dataHome(),
              QStringLiteral("/home/anna/.local/share"));
}

TEST(InvokingUser, OwnUserStartsProgramsDirectly)
{
    const QProcessEnvironment own = env({{"HOME", "/home/anna"}, {"PATH", "/usr/bin"}, {"WAYLAND_DISPLAY", "w-0"}});
    const InvokingUser user = InvokingUser::resolve(own, 1000, QProcessEnvironment(), anna);
    EXPECT_FALSE(user.differsFromProcess);
    EXPECT_EQ(user.session.value("WAYLAND_DISPLAY"), QStringLiteral("w-0"));
    const ProgramStart start = startForUser(user, QStringLiteral("/usr/bin/xdg-open"), {QStringLiteral("x")}, own, QString());
    EXPECT_EQ(start.program, QStringLiteral("/usr/bin/xdg-open"));
    EXPECT_EQ(start.environment, own);
}

TEST(InvokingUser, FolderMadeAsThemIsTheirs)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to take another identity";
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                      QFileDevice::WriteOther | QFileDevice::ExeOther));
    const QString path = dir.filePath(QStringLiteral("share/Ostrel Camera Recovery"));
    ASSERT_TRUE(createFolderAs(65534, 65534, path));
    EXPECT_EQ(QFileInfo(path).ownerId(), 65534u);
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("share"))).ownerId(), 65534u);
    // Where they may not write, nothing is made for them.
    QTemporaryDir closed;
    EXPECT_FALSE(createFolderAs(65534, 65534, closed.filePath(QStringLiteral("x"))));
    EXPECT_FALSE(QFileInfo::exists(closed.filePath(QStringLiteral("x"))));
}
} // namespace
