// Device access: the device path a media row names, the pre-flight
// open-and-close check on a readable and a missing file (its "err no" line on
// standard output, the handle left empty) and the log line of the permission
// case. The errno rule itself is checked through the carve engine's alerts.
// The unreadable-file case needs a user other than root and skips as root.
#include "common/QtPrinters.h"
#include "edition/EditionProfile.h"
#include "media/DeviceAccess.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace {
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

} // namespace
