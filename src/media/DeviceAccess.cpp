#include "media/DeviceAccess.h"

#include "edition/EditionProfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <syslog.h>

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
