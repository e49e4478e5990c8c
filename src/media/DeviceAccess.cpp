#include "media/DeviceAccess.h"

#include "app/EditionProfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <syslog.h>

DeviceOpenFailure classifyDeviceOpenError(int err)
{
    return err == EPERM || err == EACCES ? DeviceOpenFailure::Permission : DeviceOpenFailure::Generic;
}

QString deviceErrorText(int err)
{
    if (err == ENOTBLK) // how the sector source refuses a stream
        return QStringLiteral("Not a device or a disk image: a pipe, socket or terminal cannot be searched");
    // strerror is not thread-safe; the GNU strerror_r returns the text,
    // which may or may not live in the buffer given.
    char buffer[256] = {};
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    const char* text = strerror_r(err, buffer, sizeof buffer);
#else
    const char* text = strerror_r(err, buffer, sizeof buffer) == 0 ? buffer : "Unknown error";
#endif
    return QString::fromLocal8Bit(text);
}

QString devicePathForIdentifier(const QString& diskIdentifier)
{
    return QStringLiteral("/dev/") + diskIdentifier;
}

QString applicationBundleIdentifier(const EditionProfile& profile)
{
    const int index = profile.edition >= 1 && profile.edition <= kEditionCount ? profile.edition - 1 : kEditionCount - 1;
    return QStringLiteral("org.ostrel-recovery.") + QString::fromLatin1(editionTable()[index].key);
}

void writeSystemLogLine(const QString& line)
{
    const QByteArray text = line.toLocal8Bit();
    syslog(LOG_USER | LOG_NOTICE, "%s", text.constData());
    std::fprintf(stderr, "%s\n", text.constData());
    std::fflush(stderr);
}

DeviceOpenFailure reportDeviceOpenFailure(int err)
{
    std::printf("err no : %d\n", err);
    std::fflush(stdout);
    const DeviceOpenFailure failure = classifyDeviceOpenError(err);
    if (failure == DeviceOpenFailure::Permission)
        writeSystemLogLine(QString::fromLatin1(kPermissionIssueLogLine));
    return failure;
}

int checkDeviceOpen(const QString& devicePath, std::FILE*& pFile_Disk, const QString& bundleIdentifier)
{
    const QByteArray path = QFile::encodeName(devicePath);
    errno = 0;
    pFile_Disk = std::fopen(path.constData(), "rb");
    if (pFile_Disk) {
        std::fflush(pFile_Disk);
        std::fclose(pFile_Disk);
        pFile_Disk = nullptr;
        return 0;
    }
    const int err = errno != 0 ? errno : EIO;
    std::printf("err no : %d\n", err);
    std::fflush(stdout);
    writeSystemLogLine(QStringLiteral("Application Bundle Identifier: ") + bundleIdentifier);
    return err;
}

void Check_Have_Permissions(const QString& diskIdentifier, std::FILE*& pFile_Disk, const QString& bundleIdentifier)
{
    checkDeviceOpen(devicePathForIdentifier(diskIdentifier), pFile_Disk, bundleIdentifier);
}
