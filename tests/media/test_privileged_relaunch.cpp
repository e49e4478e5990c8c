// Process entry and privileged relaunch: the argument-count gate (argc 1-3
// relaunch, 0 and 4+ run in place with argv unchanged), the exact pkexec
// command line with the display variables on X11 and on Wayland with
// XWayland, the direct start when already root, the messages when pkexec or a
// display is missing, the executable path kept as started (links not
// resolved), and, in a child process, that the launcher ends with exit code 0
// by immediate termination without waiting, using a stand-in pkexec on PATH
// that records how it was called. No real pkexec is ever run; needs /bin/sh.
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
const QString kPkexec = QStringLiteral("/usr/bin/pkexec");
const QString kEnv = QStringLiteral("/usr/bin/env");

QProcessEnvironment environment(std::initializer_list<std::pair<const char*, QString>> vars)
{
    QProcessEnvironment env;
    for (const auto& [k, v] : vars)
        env.insert(QString::fromLatin1(k), v);
    return env;
}

TEST(RelaunchGate, CountIncludesTheProgramPath)
{
    EXPECT_FALSE(shouldRelaunch(0));
    EXPECT_TRUE(shouldRelaunch(1));  // no argument
    EXPECT_TRUE(shouldRelaunch(2));
    EXPECT_TRUE(shouldRelaunch(3));
    EXPECT_FALSE(shouldRelaunch(4)); // the relaunched copy: path, "a", "b", "c"
    EXPECT_FALSE(shouldRelaunch(5));
    EXPECT_FALSE(shouldRelaunch(-1));
}

struct Recorder {
    QList<SpawnRequest> spawned;
    QList<int> terminated;
    QStringList errors;
    bool spawnResult = true;

    RelaunchHooks hooks(bool root, const QProcessEnvironment& env)
    {
        RelaunchHooks h;
        h.spawn = [this](const SpawnRequest& r) {
            spawned << r;
            return spawnResult;
        };
        h.isRoot = [root] { return root; };
        h.environment = env;
        h.workingDirectory = QStringLiteral("/home/anna");
        h.reportError = [this](const QString& t) { errors << t; };
        h.terminate = [this](int code) { terminated << code; };
        return h;
    }
};

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
    QFile fake(bin.filePath(QStringLiteral("pkexec")));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\nexit 0\n");
    fake.close();
    fake.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const auto env = environment({{"PATH", bin.path() + QStringLiteral(":/usr/bin:/bin")}, {"DISPLAY", ":0"},
                                  {"XAUTHORITY", "/home/anna/.Xauthority"}});

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
        EXPECT_EQ(rec.spawned[0].arguments.mid(rec.spawned[0].arguments.size() - 4),
                  (QStringList{kExe, "a", "b", "c"}));
        EXPECT_EQ(rec.terminated, QList<int>{0});
    } else {
        EXPECT_EQ(result, 42);
        EXPECT_EQ(appArgc, argc);
        EXPECT_EQ(appArgv, argv);
        EXPECT_TRUE(rec.spawned.isEmpty());
        EXPECT_TRUE(rec.terminated.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, EntryByCount, ::testing::Values(0, 1, 2, 3, 4, 5));

TEST(RelaunchPlan, X11CommandLine)
{
    const auto env = environment({{"DISPLAY", ":0"},
                                  {"XAUTHORITY", "/home/anna/.Xauthority"},
                                  {"LANG", "de_DE.UTF-8"},
                                  {"LC_TIME", "en_GB.UTF-8"},
                                  {"LC_ALL", "de_DE.UTF-8"},
                                  {"QT_SCALE_FACTOR", "1.5"},
                                  {"HOME", "/home/anna"},
                                  {"PATH", "/usr/bin:/bin"},
                                  {"SSH_AUTH_SOCK", "/run/user/1000/ssh"}});
    const RelaunchPlan plan = planRelaunch(kExe, false, env, kPkexec, kEnv);
    EXPECT_TRUE(plan.message.isEmpty()) << plan.message.toStdString();
    EXPECT_EQ(plan.request.program, kPkexec);
    EXPECT_EQ(plan.request.arguments,
              (QStringList{kEnv, "DISPLAY=:0", "XAUTHORITY=/home/anna/.Xauthority", "LANG=de_DE.UTF-8",
                           "QT_SCALE_FACTOR=1.5", "LC_ALL=de_DE.UTF-8", "LC_TIME=en_GB.UTF-8", kExe, "a", "b", "c"}));
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
    const RelaunchPlan plan = planRelaunch(kExe, false, env, kPkexec, kEnv);
    EXPECT_TRUE(plan.message.isEmpty()) << plan.message.toStdString();
    EXPECT_EQ(plan.request.arguments,
              (QStringList{kEnv, "DISPLAY=:1",
                           "XAUTHORITY=" + runtime.filePath(QStringLiteral(".mutter-Xwaylandauth.NEW456")),
                           "QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-0", "XDG_RUNTIME_DIR=" + runtime.path(),
                           "XDG_CURRENT_DESKTOP=GNOME", kExe, "a", "b", "c"}));
}

TEST(RelaunchPlan, NoDisplayMeansAMessageAndNoStart)
{
    RelaunchPlan plan = planRelaunch(kExe, false, environment({{"WAYLAND_DISPLAY", "wayland-0"}}), kPkexec, kEnv);
    EXPECT_TRUE(plan.request.program.isEmpty());
    EXPECT_TRUE(plan.message.contains(QStringLiteral("XWayland"))) << plan.message.toStdString();
    EXPECT_TRUE(plan.message.contains(QStringLiteral("DISPLAY")));

    plan = planRelaunch(kExe, false, environment({{"HOME", "/root"}}), kPkexec, kEnv);
    EXPECT_TRUE(plan.request.program.isEmpty());
    EXPECT_TRUE(plan.message.contains(QStringLiteral("no graphical display"))) << plan.message.toStdString();
}

TEST(RelaunchPlan, MissingAuthorityStillStartsWithAHint)
{
    QTemporaryDir home;
    const RelaunchPlan plan =
        planRelaunch(kExe, false, environment({{"DISPLAY", ":0"}, {"HOME", home.path()}}), kPkexec, kEnv);
    EXPECT_EQ(plan.request.arguments, (QStringList{kEnv, "DISPLAY=:0", kExe, "a", "b", "c"}));
    EXPECT_TRUE(plan.message.contains(QStringLiteral("xhost +SI:localuser:root"))) << plan.message.toStdString();
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
    const RelaunchPlan plan = planRelaunch(kExe, true, env, QString(), kEnv);
    EXPECT_TRUE(plan.message.isEmpty());
    EXPECT_EQ(plan.request.program, kExe);
    EXPECT_EQ(plan.request.arguments, (QStringList{"a", "b", "c"}));
    EXPECT_EQ(plan.request.environment, env.toStringList());
}

TEST(RelaunchPlan, RootWithoutAnyDisplaySaysWhyAndStartsNothing)
{
    const RelaunchPlan plan = planRelaunch(kExe, true, environment({{"SUDO_USER", "anna"}}), QString(), kEnv);
    EXPECT_TRUE(plan.request.program.isEmpty());
    EXPECT_TRUE(plan.message.contains(QStringLiteral("no graphical display")));
    // A Wayland-only session still gets its copy (Qt opens it there).
    EXPECT_EQ(planRelaunch(kExe, true, environment({{"WAYLAND_DISPLAY", "wayland-0"}}), QString(), kEnv).request.program,
              kExe);
}

TEST(RelaunchPlan, MissingPkexecSaysHowToStartAsRoot)
{
    const RelaunchPlan plan = planRelaunch(kExe, false, environment({{"DISPLAY", ":0"}}), QString(), kEnv);
    EXPECT_TRUE(plan.request.program.isEmpty());
    EXPECT_TRUE(plan.message.contains(QStringLiteral("pkexec")));
    EXPECT_TRUE(plan.message.contains(QStringLiteral("sudo '/opt/ostrel/bin/Ostrel Camera Recovery'")))
        << plan.message.toStdString();
}

TEST(RelaunchPlan, PathHoldingAnEqualsSignIsNotTakenForAnAssignment)
{
    const QString odd = QStringLiteral("/opt/a=b/Ostrel Memory Card Recovery");
    const RelaunchPlan plan =
        planRelaunch(odd, false, environment({{"DISPLAY", ":0"}, {"XAUTHORITY", "/x"}}), kPkexec, kEnv);
    EXPECT_EQ(plan.request.arguments, (QStringList{kEnv, "DISPLAY=:0", "XAUTHORITY=/x", "/bin/sh", "-c",
                                                   "exec \"$0\" \"$@\"", odd, "a", "b", "c"}));
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
    char* argv[] = {const_cast<char*>(exe.constData()), nullptr};
    runProcessEntry(1, argv, [](int, char**) { return 3; }, hooks);
    std::exit(5); // not reached: the entry ends the process
}

// The real spawner in a child process: the launcher must end with exit code 0
// by _exit (no exit handlers) while pkexec is still running, and the stand-in
// pkexec must receive exactly the planned command line.
TEST(LauncherProcess, EndsAtOnceWithZeroAndStartsPkexec)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("record"));
    const QString go = dir.filePath(QStringLiteral("go"));
    const QString atexitMarker = dir.filePath(QStringLiteral("atexit-ran"));
    QFile script(dir.filePath(QStringLiteral("pkexec")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    // Waits (at most 20 s) until the test says the launcher has ended, then
    // records whether it had to give up waiting, and its arguments.
    script.write("#!/bin/sh\n"
                 "i=0; state=timeout\n"
                 "while [ $i -lt 200 ]; do [ -e \"$OSTREL_TEST_GO\" ] && { state=go; break; }; sleep 0.1; i=$((i+1)); done\n"
                 "{ echo \"$state\"; for a in \"$@\"; do echo \"$a\"; done; } > \"$OSTREL_TEST_RECORD.tmp\"\n"
                 "mv \"$OSTREL_TEST_RECORD.tmp\" \"$OSTREL_TEST_RECORD\"\n");
    script.close();
    ASSERT_TRUE(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), dir.path() + QStringLiteral(":/usr/bin:/bin"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":99"));
    env.insert(QStringLiteral("XAUTHORITY"), QStringLiteral("/tmp/ostrel-test-xauth"));
    env.insert(QStringLiteral("OSTREL_TEST_RECORD"), record);
    env.insert(QStringLiteral("OSTREL_TEST_GO"), go);
    const QByteArray exe = kExe.toUtf8();

    EXPECT_EXIT(launchAsUser(env, exe, atexitMarker.toStdString()), ::testing::ExitedWithCode(0), "");

    QFile(go).open(QIODevice::WriteOnly);
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(record) && timer.elapsed() < 30000)
        QThread::msleep(50);
    QFile result(record);
    ASSERT_TRUE(result.open(QIODevice::ReadOnly)) << "the stand-in pkexec was not started";
    const QStringList lines = QString::fromUtf8(result.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines, (QStringList{"go", "/usr/bin/env", "DISPLAY=:99", "XAUTHORITY=/tmp/ostrel-test-xauth", kExe,
                                  "a", "b", "c"}));
    EXPECT_FALSE(QFile::exists(atexitMarker)) << "exit handlers ran: the launcher did not end by _exit";
}

TEST(LauncherProcess, MissingPkexecEndsWithZeroAndSaysSo)
{
    QTemporaryDir emptyBin;
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), emptyBin.path());
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":99"));
    const QByteArray exe = kExe.toUtf8();
    EXPECT_EXIT(launchAsUser(env, exe, std::string()),
        ::testing::ExitedWithCode(0), "pkexec was not found.*sudo");
}
} // namespace
