// Device access: the errno rule shared by the engines and the window (1 and
// 13 permission, everything else generic with the system's text), the
// pre-flight open-and-close check on a readable and a missing file (its
// "err no" line on standard output, the handle left empty), and the shell
// runner (merged and interleaved output, empty output, exit status ignored,
// a command reading its input does not hang, UTF-8 split across reads, the
// time limit). Needs /bin/sh; the unreadable-file case needs a user other
// than root and skips as root.
#include "common/QtPrinters.h"
#include "edition/EditionProfile.h"
#include "media/DeviceAccess.h"
#include "media/ShellCommand.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
class ErrnoRule : public ::testing::TestWithParam<std::pair<int, DeviceOpenFailure>> {};

TEST_P(ErrnoRule, PicksTheAlert)
{
    EXPECT_EQ(classifyDeviceOpenError(GetParam().first), GetParam().second) << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ErrnoRule,
    ::testing::Values(std::pair{1, DeviceOpenFailure::Permission}, std::pair{13, DeviceOpenFailure::Permission},
                      std::pair{EPERM, DeviceOpenFailure::Permission}, std::pair{EACCES, DeviceOpenFailure::Permission},
                      std::pair{0, DeviceOpenFailure::Generic}, std::pair{2, DeviceOpenFailure::Generic},
                      std::pair{ENXIO, DeviceOpenFailure::Generic}, std::pair{ENOMEDIUM, DeviceOpenFailure::Generic},
                      std::pair{EBUSY, DeviceOpenFailure::Generic}, std::pair{EROFS, DeviceOpenFailure::Generic},
                      std::pair{-1, DeviceOpenFailure::Generic}, std::pair{12, DeviceOpenFailure::Generic},
                      std::pair{14, DeviceOpenFailure::Generic}));

TEST(DeviceErrorText, IsTheSystemText)
{
    EXPECT_EQ(deviceErrorText(ENOENT), QString::fromLocal8Bit(std::strerror(ENOENT)));
    EXPECT_EQ(deviceErrorText(ENXIO), QString::fromLocal8Bit(std::strerror(ENXIO)));
    EXPECT_FALSE(deviceErrorText(123456).isEmpty());
}

TEST(DeviceAccessNames, RowIdentifierNamesTheDevice)
{
    EXPECT_EQ(devicePathForIdentifier(QStringLiteral("mmcblk0p1")), QStringLiteral("/dev/mmcblk0p1"));
    EXPECT_EQ(applicationBundleIdentifier(EditionProfile::fromBundleName(QStringLiteral("Ostrel Camera Recovery"))),
              QStringLiteral("org.ostrel-recovery.camera"));
    EXPECT_EQ(applicationBundleIdentifier(EditionProfile::fromBundleName(QStringLiteral("anything"))),
              QStringLiteral("org.ostrel-recovery.professional"));
}

TEST(PreflightCheck, ReadableFileIsOpenedClosedAndLeftEmpty)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("card.img"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, '\0'));
    f.close();

    std::FILE* handle = reinterpret_cast<std::FILE*>(0x1); // must be overwritten
    testing::internal::CaptureStdout();
    const int err = checkDeviceOpen(path, handle, QStringLiteral("org.ostrel-recovery.camera"));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(err, 0);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(out, "");
}

TEST(PreflightCheck, MissingDevicePrintsErrnoLineAndLeavesHandleEmpty)
{
    std::FILE* handle = nullptr;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Check_Have_Permissions(QStringLiteral("ostrel-no-such-device-4711"), handle, QStringLiteral("org.ostrel-recovery.memory"));
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "err no : 2\n");
    EXPECT_NE(err.find("Application Bundle Identifier: org.ostrel-recovery.memory"), std::string::npos) << err;
    EXPECT_EQ(handle, nullptr);
}

TEST(PreflightCheck, UnreadableFileIsThePermissionCase)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may read any file; needs an ordinary user";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locked"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
    std::FILE* handle = nullptr;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int err = checkDeviceOpen(path, handle, QStringLiteral("x"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "err no : 13\n");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(classifyDeviceOpenError(err), DeviceOpenFailure::Permission);
}

TEST(ReportDeviceOpenFailure, PermissionCaseWritesTheLogLine)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(reportDeviceOpenFailure(13), DeviceOpenFailure::Permission);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "err no : 13\n");
    EXPECT_NE(testing::internal::GetCapturedStderr().find(kPermissionIssueLogLine), std::string::npos);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(reportDeviceOpenFailure(6), DeviceOpenFailure::Generic);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "err no : 6\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr().find(kPermissionIssueLogLine), std::string::npos);
}

TEST(ShellTask, IsPreparedNotStarted)
{
    const auto task = taskForShellCommand(QStringLiteral("echo hi"));
    EXPECT_EQ(task->program(), QStringLiteral("/bin/sh"));
    EXPECT_EQ(task->arguments(), (QStringList{QStringLiteral("-c"), QStringLiteral("echo hi")}));
    EXPECT_EQ(task->state(), QProcess::NotRunning);
}

TEST(ShellRunner, EmptyOutputIsTheEmptyString)
{
    const QString out = executeShellCommandSynchronously(QStringLiteral("true"));
    EXPECT_TRUE(out.isEmpty());
}

TEST(ShellRunner, ErrorOutputIsInterleavedInWritingOrder)
{
    EXPECT_EQ(executeShellCommandSynchronously(QStringLiteral("printf 1; printf 2 >&2; printf 3; printf 4 >&2")),
              QStringLiteral("1234"));
    // Even when the writer pauses between pieces.
    EXPECT_EQ(executeShellCommandSynchronously(
                  QStringLiteral("echo out1; sleep 0.1; echo err1 >&2; sleep 0.1; echo out2; echo err2 >&2")),
              QStringLiteral("out1\nerr1\nout2\nerr2\n"));
}

TEST(ShellRunner, ExitStatusIsIgnored)
{
    EXPECT_EQ(executeShellCommandSynchronously(QStringLiteral("echo partial; exit 3")), QStringLiteral("partial\n"));
    EXPECT_EQ(executeShellCommandSynchronously(QStringLiteral("no-such-command-ostrel 2>/dev/null; echo after")),
              QStringLiteral("after\n"));
}

TEST(ShellRunner, CommandReadingItsInputSeesTheEndAtOnce)
{
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(executeShellCommandSynchronously(QStringLiteral("cat; read line; echo \"[$line] $?\""), 20000),
              QStringLiteral("[] 1\n"));
    EXPECT_LT(timer.elapsed(), 10000);
}

TEST(ShellRunner, LargeOutputAndSplitCharactersArriveWhole)
{
    // One byte, then 150000 two-byte characters: the pipe delivers them in
    // pieces whose even sizes split characters; decoding must keep them whole.
    const QString out = executeShellCommandSynchronously(
        QStringLiteral("printf x; yes '\u00e9' | head -n 150000 | tr -d '\\n'"));
    EXPECT_EQ(out.size(), 150001);
    EXPECT_TRUE(out.startsWith(QLatin1Char('x')));
    EXPECT_EQ(out.count(QChar(0x00e9)), 150000);
}

TEST(ShellRunner, TimeLimitEndsARunawayCommand)
{
    QElapsedTimer timer;
    timer.start();
    const QString out = executeShellCommandSynchronously(QStringLiteral("echo started; exec sleep 30"), 500);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(out, QStringLiteral("started\n"));
}
} // namespace
