#include "engine/DestinationCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace ostrel {

namespace {

// The sysfs folder of a block device number, with symlinks resolved, e.g.
// /sys/devices/pci0000:00/.../block/sdb/sdb1. Empty when unknown.
QString sysfsBlockPath(dev_t device)
{
    const QString link = QStringLiteral("/sys/dev/block/%1:%2").arg(major(device)).arg(minor(device));
    const QString resolved = QFileInfo(link).canonicalFilePath();
    return resolved;
}

// The whole-disk folder of a sysfs block path: a partition's parent folder
// holds a "partition"-less disk entry.
QString wholeDiskPath(const QString& blockPath)
{
    if (QFileInfo::exists(blockPath + QStringLiteral("/partition")))
        return QFileInfo(blockPath).path();
    return blockPath;
}

bool nearestExistingStat(const QString& path, struct stat* st)
{
    QString current = QDir::cleanPath(QDir(path).absolutePath());
    for (;;) {
        if (::stat(QFile::encodeName(current).constData(), st) == 0)
            return true;
        const QString parent = QFileInfo(current).path();
        if (parent == current)
            return false;
        current = parent;
    }
}

} // namespace

bool destinationOnSearchedMedium(const QString& destination, const QString& devicePath)
{
    struct stat source;
    if (::stat(QFile::encodeName(devicePath).constData(), &source) != 0 || !S_ISBLK(source.st_mode))
        return false;
    struct stat dest;
    if (!nearestExistingStat(destination, &dest))
        return false;
    if (dest.st_dev == source.st_rdev)
        return true;
    const QString sourcePath = sysfsBlockPath(source.st_rdev);
    const QString destPath = sysfsBlockPath(dest.st_dev);
    if (sourcePath.isEmpty() || destPath.isEmpty())
        return false;
    return wholeDiskPath(sourcePath) == wholeDiskPath(destPath);
}

} // namespace ostrel
