// Process entry and privileged relaunch: the argument-count gate (argc 1-3
// relaunch, 0 and 4+ run in place with argv unchanged), the exact pkexec
// command line (the program file itself, the markers, the name started and
// the session as arguments) on X11 and on Wayland with XWayland, the copy
// taking those arguments back (and nothing outside the known variables),
// the direct start when already root, the messages when pkexec or a display
// is missing, the executable path kept as started (links not resolved), and,
// in child processes with a stand-in pkexec on PATH, that the launcher ends
// with 0 once the copy has taken over and with pkexec's status and a message
// when the password prompt is refused. No real pkexec is ever run; needs
// /bin/sh and sleep.
#include "common/QtPrinters.h"
#include "app/PrivilegedRelaunch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
const QString kExe = QStringLiteral("/opt/ostrel/bin/Ostrel Camera Recovery");
const QString kProgram = QStringLiteral("/opt/ostrel/bin/ostrel-recovery");
const QString kPkexec = QStringLiteral("/usr/bin/pkexec");

// What the launcher adds after the markers for `name` and the session.
QStringList copyArguments(std::initializer_list<const char*> session)
{
    QStringList args{kProgram, "a", "b", "c", "--launcher-name", "Ostrel Camera Recovery"};
    for (const char* assignment : session)
        args << "--session" << QString::fromUtf8(assignment);
    return args;
}

QProcessEnvironment environment(std::initializer_list<std::pair<const char*, QString>> vars)
{
    QProcessEnvironment env;
    for (const auto& [k, v] : vars)
        env.insert(QString::fromLatin1(k), v);
    return env;
}

struct Recorder {
    QList<SpawnRequest> spawned;
    QList<int> terminated;
    QStringList errors;
    QStringList failures;
    bool spawnResult = true;

    RelaunchHooks hooks(bool root, const QProcessEnvironment& env)
    {
        RelaunchHooks h;
        h.spawn = [this](const SpawnRequest& r) {
            spawned << r;
            LaunchOutcome outcome;
            outcome.kind = spawnResult ? LaunchOutcome::Kind::Started : LaunchOutcome::Kind::Refused;
            outcome.status = spawnResult ? 0 : 126;
            return outcome;
        };
        h.isRoot = [root] { return root; };
        h.environment = env;
        h.workingDirectory = QStringLiteral("/home/anna");
        h.programFile = kProgram;
        h.reportError = [this](const QString& t) { errors << t; };
        h.showFailure = [this](const QString& t) { failures << t; };
        h.terminate = [this](int code) { terminated << code; };
        return h;
    }
};

// A stand-in pkexec that records its arguments, then runs `then`.
QProcessEnvironment standInPkexec(const QTemporaryDir& dir, const QByteArray& then)
{
    QFile script(dir.filePath(QStringLiteral("pkexec")));
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n"
                 "for a in \"$@\"; do echo \"$a\"; done > \"$OSTREL_TEST_RECORD.tmp\"\n"
                 "mv \"$OSTREL_TEST_RECORD.tmp\" \"$OSTREL_TEST_RECORD\"\n" + then + "\n");
    script.close();
    EXPECT_TRUE(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), dir.path() + QStringLiteral(":/usr/bin:/bin"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":99"));
    env.insert(QStringLiteral("XAUTHORITY"), QStringLiteral("/tmp/ostrel-test-xauth"));
    env.insert(QStringLiteral("OSTREL_TEST_RECORD"), dir.filePath(QStringLiteral("record")));
    return env;
}

class EntryByCount : public ::testing::TestWithParam<int> {};

TEST_P(EntryByCount, RelaunchesOrRunsInPlace)
{
    const int argc = GetParam();
    QByteArray exe = kExe.toUtf8();
    char a[] = "x", b[] = "y", c[] = "z", d[] = "w";
    char* argv[] = {exe.data(), a, b, c, d, nullptr};
    Recorder rec;
    int appArgc = -1;
    char** appArgv = nullptr;
    QTemporaryDir bin;
    const QProcessEnvironment env = standInPkexec(bin, "exit 0");

    const int result = runProcessEntry(
        argc, argv,
        [&](int n, char** v) {
            appArgc = n;
            appArgv = v;
            return 42;
        },
        rec.hooks(false, env));

    if (argc >= 1 && argc <= 3) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(appArgc, -1) << "the launcher must not run the application";
        ASSERT_EQ(rec.spawned.size(), 1);
        EXPECT_EQ(rec.spawned[0].program, bin.filePath(QStringLiteral("pkexec")));
        EXPECT_TRUE(rec.spawned[0].throughPkexec);
        EXPECT_EQ(rec.spawned[0].arguments, copyArguments({"DISPLAY=:99", "XAUTHORITY=/tmp/ostrel-test-xauth"}));
        EXPECT_EQ(rec.terminated, QList<int>{0});
    } else {
        EXPECT_EQ(result, 42);
        EXPECT_EQ(appArgc, argc);
        EXPECT_EQ(appArgv, argv);
        EXPECT_TRUE(rec.spawned.isEmpty());
        EXPECT_TRUE(rec.terminated.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, EntryByCount, ::testing::Values(0, 1, 3, 4, 5));

TEST(RelaunchPlan, X11CommandLine)
{
    const auto env = environment({{"DISPLAY", ":0"},
                                  {"XAUTHORITY", "/home/anna/.Xauthority"},
                                  {"LANG", "de_DE.UTF-8"},
                                  {"LC_ALL", "de_DE.UTF-8"},
                                  {"QT_SCALE_FACTOR", "1.5"},
                                  {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus"},
                                  {"XDG_RUNTIME_DIR", "/run/user/1000"},
                                  {"HOME", "/home/anna"},
                                  {"PATH", "/usr/bin:/bin"},
                                  {"LD_PRELOAD", "/tmp/evil.so"},
                                  {"SSH_AUTH_SOCK", "/run/user/1000/ssh"}});
    const RelaunchPlan plan = planRelaunch(kExe, kProgram, false, env, kPkexec);
    EXPECT_TRUE(plan.message.isEmpty()) << plan.message.toStdString();
    EXPECT_EQ(plan.request.program, kPkexec);
    // pkexec keeps the language itself; it runs the program file, never env.
    EXPECT_EQ(plan.request.arguments,
              copyArguments({"DISPLAY=:0", "XAUTHORITY=/home/anna/.Xauthority",
                             "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1000/bus", "QT_SCALE_FACTOR=1.5",
                             "XDG_RUNTIME_DIR=/run/user/1000"}));
    // pkexec itself runs in the launcher's environment.
    EXPECT_EQ(plan.request.environment, env.toStringList());
}

TEST(RelaunchPlan, WaylandWithXWaylandUsesTheCompositorsAuthority)
{
    QTemporaryDir runtime;
    // A session restarted today leaves yesterday's file behind: the newest wins.
    for (const auto& [name, age] : {std::pair{".mutter-Xwaylandauth.NEW456", 0}, std::pair{".mutter-Xwaylandauth.OLD123", 86400}}) {
        QFile f(runtime.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("cookie");
        ASSERT_TRUE(f.flush()); // a later flush would stamp the file with the current time
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime));
        f.close();
    }
    const auto env = environment({{"DISPLAY", ":1"},
                                  {"WAYLAND_DISPLAY", "wayland-0"},
                                  {"XDG_RUNTIME_DIR", runtime.path()},
                                  {"XDG_SESSION_TYPE", "wayland"},
                                  {"XDG_CURRENT_DESKTOP", "GNOME"},
                                  {"QT_QPA_PLATFORM", "wayland"}});
    const RelaunchPlan plan = planRelaunch(kExe, kProgram, false, env, kPkexec);
    EXPECT_TRUE(plan.message.isEmpty()) << plan.message.toStdString();
    const QByteArray auth = "XAUTHORITY=" + runtime.filePath(QStringLiteral(".mutter-Xwaylandauth.NEW456")).toUtf8();
    const QByteArray dir = "XDG_RUNTIME_DIR=" + runtime.path().toUtf8();
    EXPECT_EQ(plan.request.arguments,
              copyArguments({"DISPLAY=:1", auth.constData(), "QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-0",
                             "XDG_CURRENT_DESKTOP=GNOME", dir.constData(), "XDG_SESSION_TYPE=wayland"}));
}

TEST(RelaunchArgumentsTest, TheCopyTakesBackOnlyKnownVariables)
{
    const auto env = environment({{"DISPLAY", ":0"}, {"XAUTHORITY", "/x"}, {"WAYLAND_DISPLAY", "wayland-0"},
                                  {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus"},
                                  {"XDG_RUNTIME_DIR", "/run/user/1000"}, {"QT_SCALE_FACTOR", "2"}});
    QStringList args = planRelaunch(kExe, kProgram, false, env, kPkexec).request.arguments;
    // What a user might add by hand: refused, and other arguments kept.
    args << "--session" << "LD_PRELOAD=/tmp/evil.so" << "--session" << "QT_PLUGIN_PATH=/tmp"
         << "--session" << "QT_QPA_PLATFORM=offscreen" << "--style" << "fusion";
    std::vector<QByteArray> storage;
    for (const QString& a : args)
        storage.push_back(a.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(storage.size());

    const RelaunchArguments taken = takeRelaunchArguments(argc, argv.data());
    QStringList left;
    for (int i = 0; i < argc; ++i)
        left << QString::fromUtf8(argv[static_cast<size_t>(i)]);
    EXPECT_EQ(left, (QStringList{kProgram, "a", "b", "c", "--style", "fusion"}));
    EXPECT_EQ(taken.launcherName, QStringLiteral("Ostrel Camera Recovery"));
    EXPECT_EQ(taken.ownWindow.keys(), (QStringList{"DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "XAUTHORITY",
                                                   "XDG_RUNTIME_DIR"}));
    EXPECT_EQ(taken.ownWindow.value("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    EXPECT_EQ(taken.userSession.keys(),
              (QStringList{"DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"}));
}

// What cannot start says why; what can start without everything it would
// like says so too.
TEST(RelaunchPlan, MessagesWhenSomethingIsMissing)
{
    QTemporaryDir home;
    const struct {
        QProcessEnvironment env;
        bool root;
        QString pkexec;
        bool starts;
        QStringList said;
    } cases[] = {
        {environment({{"WAYLAND_DISPLAY", "wayland-0"}}), false, kPkexec, false, {"XWayland", "DISPLAY"}},
        {environment({{"HOME", "/root"}}), false, kPkexec, false, {"no graphical display"}},
        {environment({{"SUDO_USER", "anna"}}), true, QString(), false, {"no graphical display"}},
        {environment({{"DISPLAY", ":0"}}), false, QString(), false,
         {"pkexec", "sudo '/opt/ostrel/bin/Ostrel Camera Recovery'"}},
        {environment({{"DISPLAY", ":0"}, {"HOME", home.path()}}), false, kPkexec, true, {"xhost +SI:localuser:root"}},
        // A Wayland-only session still gets its copy when root (Qt opens it there).
        {environment({{"WAYLAND_DISPLAY", "wayland-0"}}), true, QString(), true, {}},
    };
    for (const auto& c : cases) {
        const RelaunchPlan plan = planRelaunch(kExe, kProgram, c.root, c.env, c.pkexec);
        SCOPED_TRACE(plan.message.toStdString());
        EXPECT_EQ(!plan.request.program.isEmpty(), c.starts) << c.env.toStringList().join(u' ').toStdString();
        for (const QString& part : c.said)
            EXPECT_TRUE(plan.message.contains(part)) << part.toStdString();
    }
    EXPECT_EQ(planRelaunch(kExe, kProgram, false, cases[4].env, kPkexec).request.arguments, copyArguments({"DISPLAY=:0"}));
}

TEST(RelaunchPlan, HomeAuthorityIsFoundWhenNothingElseIs)
{
    QTemporaryDir home;
    QFile f(home.filePath(QStringLiteral(".Xauthority")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(findXAuthority(environment({{"HOME", home.path()}})), home.filePath(QStringLiteral(".Xauthority")));
    EXPECT_EQ(findXAuthority(environment({{"HOME", home.path()}, {"XAUTHORITY", "/tmp/given"}})),
              QStringLiteral("/tmp/given"));
    QTemporaryDir runtime;
    QFile kde(runtime.filePath(QStringLiteral("xauth_AbCdEf")));
    ASSERT_TRUE(kde.open(QIODevice::WriteOnly));
    kde.close();
    EXPECT_EQ(findXAuthority(environment({{"HOME", home.path()}, {"XDG_RUNTIME_DIR", runtime.path()}})),
              runtime.filePath(QStringLiteral("xauth_AbCdEf")));
}

TEST(RelaunchPlan, RootStartsTheCopyDirectly)
{
    const auto env = environment({{"DISPLAY", ":0"}, {"SUDO_USER", "anna"}});
    const RelaunchPlan plan = planRelaunch(kExe, kProgram, true, env, QString());
    EXPECT_TRUE(plan.message.isEmpty());
    EXPECT_EQ(plan.request.program, kExe);
    EXPECT_EQ(plan.request.arguments, (QStringList{"a", "b", "c"}));
    EXPECT_EQ(plan.request.environment, env.toStringList());
    EXPECT_FALSE(plan.request.throughPkexec);
}

TEST(LauncherPath, KeepsTheNameItWasStartedBy)
{
    QTemporaryDir dir;
    const QString binary = dir.filePath(QStringLiteral("ostrel-recovery"));
    QFile f(binary);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ASSERT_TRUE(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QDir(dir.path()).mkdir(QStringLiteral("bin"));
    const QString link = dir.filePath(QStringLiteral("bin/Ostrel Camera Recovery"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../ostrel-recovery"), link));

    // Relative to the working directory, link kept.
    EXPECT_EQ(launcherExecutablePath(QStringLiteral("./bin/Ostrel Camera Recovery"), dir.path(), QString()), link);
    EXPECT_EQ(launcherExecutablePath(QStringLiteral("bin/../bin/Ostrel Camera Recovery"), dir.path(), QString()),
              link);
    EXPECT_EQ(launcherExecutablePath(link, QStringLiteral("/"), QString()), link);
    // A bare name is looked up on PATH as the shell did.
    EXPECT_EQ(launcherExecutablePath(QStringLiteral("Ostrel Camera Recovery"), QStringLiteral("/"),
                                     QStringLiteral("/nonexistent:") + dir.filePath(QStringLiteral("bin"))),
              link);
    EXPECT_TRUE(launcherExecutablePath(QStringLiteral("Ostrel Camera Recovery"), QStringLiteral("/"),
                                       QStringLiteral("/nonexistent"))
                    .isEmpty());
    EXPECT_TRUE(launcherExecutablePath(QString(), QStringLiteral("/"), QString()).isEmpty());
}

// Runs the process entry as an ordinary user with the real spawner and the
// default termination, in a death-test child. The atexit handler leaves a
// marker file if exit handlers ever run.
std::string g_atexitMarker;

void launchAsUser(const QProcessEnvironment& env, const QByteArray& exe, const std::string& atexitMarker)
{
    g_atexitMarker = atexitMarker;
    if (!g_atexitMarker.empty()) {
        std::atexit([] {
            if (std::FILE* f = std::fopen(g_atexitMarker.c_str(), "w"))
                std::fclose(f);
        });
    }
    RelaunchHooks hooks = defaultRelaunchHooks();
    hooks.isRoot = [] { return false; };
    hooks.environment = env;
    hooks.programFile = kProgram;
    char* argv[] = {const_cast<char*>(exe.constData()), nullptr};
    runProcessEntry(1, argv, [](int, char**) { return 3; }, hooks);
    std::exit(5); // not reached: the entry ends the process
}

// The real spawner: once pkexec has become the program (here: sleep) the
// launcher ends with 0 by _exit (no exit handlers) without waiting for it,
// and pkexec received exactly the planned command line.
TEST(LauncherProcess, EndsWithZeroOnceTheCopyHasTakenOver)
{
    QTemporaryDir dir;
    const QString atexitMarker = dir.filePath(QStringLiteral("atexit-ran"));
    const QProcessEnvironment env = standInPkexec(dir, "exec sleep 30 >/dev/null 2>&1");
    const QByteArray exe = kExe.toUtf8();
    QElapsedTimer timer;
    timer.start();
    EXPECT_EXIT(launchAsUser(env, exe, atexitMarker.toStdString()), ::testing::ExitedWithCode(0), "");
    EXPECT_LT(timer.elapsed(), 20000) << "the launcher waited for the program to end";

    QFile result(dir.filePath(QStringLiteral("record")));
    ASSERT_TRUE(result.open(QIODevice::ReadOnly)) << "the stand-in pkexec was not started";
    const QStringList lines = QString::fromUtf8(result.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines, copyArguments({"DISPLAY=:99", "XAUTHORITY=/tmp/ostrel-test-xauth"}));
    EXPECT_FALSE(QFile::exists(atexitMarker)) << "exit handlers ran: the launcher did not end by _exit";
}

TEST(LauncherProcess, RefusedPasswordEndsWithItsStatusAndSaysSo)
{
    QTemporaryDir dir;
    const QProcessEnvironment env = standInPkexec(dir, "exit 126");
    const QByteArray exe = kExe.toUtf8();
    EXPECT_EXIT(launchAsUser(env, exe, std::string()), ::testing::ExitedWithCode(126),
                "administrator rights were not granted");
}

TEST(LauncherProcess, MissingPkexecEndsWithOneAndSaysSo)
{
    QTemporaryDir emptyBin;
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), emptyBin.path());
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":99"));
    const QByteArray exe = kExe.toUtf8();
    EXPECT_EXIT(launchAsUser(env, exe, std::string()), ::testing::ExitedWithCode(1), "pkexec was not found.*sudo");
}
} // namespace
