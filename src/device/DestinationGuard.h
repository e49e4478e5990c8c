#pragma once
// Refuses a destination folder that lies on the medium being searched:
// every file written there could overwrite the very sectors the search is
// trying to recover.
//
// "The same medium" is decided on block devices, not on path names: the
// destination's file system is traced to the block devices it is stored on
// (its partition, the whole disk holding it, the devices under a
// device-mapper or RAID volume, the file behind a loop device), the medium is
// traced the same way from its identifier (or from its image path when it is
// a block device), and the two sets must not meet. So a destination on
// another partition of the searched disk is refused as well.
//
// QtCore only; reads /sys and /proc/self/mountinfo, whose places can be
// replaced for tests. Any thread.

#include <QString>
#include <QStringList>

#include <functional>

namespace destguard {

struct SystemFiles {
    QString sysRoot = QStringLiteral("/sys");
    QString mountInfo = QStringLiteral("/proc/self/mountinfo");
    // Device number (major, minor) of the file system holding `path`
    // (stat's st_dev); false when the path cannot be examined.
    std::function<bool(const QString& path, unsigned* major, unsigned* minor)> deviceOfPath;
    // Device number of a block device node (stat's st_rdev); false when
    // `path` is not a block device.
    std::function<bool(const QString& path, unsigned* major, unsigned* minor)> blockDeviceNumber;
};

// The default: the real /sys, /proc/self/mountinfo and stat().
SystemFiles systemFiles();

// Kernel names ("sdb1", "sdb", "dm-0", ...) of the block devices the file
// system holding `path` is stored on. `path` need not exist yet: its nearest
// existing parent folder is examined. Empty for file systems on no block
// device (tmpfs, network shares).
QStringList blockDevicesBehind(const QString& path, const SystemFiles& files);

// The same for a file system known by its device number (st_dev of an open
// folder, major:minor), so a folder already opened is judged by what it is
// and not by a path that may have changed since.
QStringList blockDevicesOfFileSystem(unsigned major, unsigned minor, const SystemFiles& files = systemFiles());

// Kernel names that make up a medium row: the device `identifier`, its whole
// disk and what it is built from; `parentDisk` (the row's parent whole disk)
// is included as given. When `sourcePath` is set (a disk image or device
// path read instead of "/dev/" + identifier), a block device there is traced
// instead; a regular image file yields the loop devices it backs (a file
// system mounted from one of them is stored in the image), else no names.
QStringList mediumDevices(const QString& identifier, const QString& parentDisk, const QString& sourcePath,
                          const SystemFiles& files);

// True when writing into `destination` would write onto the medium.
bool destinationOnMedium(const QString& destination, const QString& identifier, const QString& parentDisk,
                         const QString& sourcePath, const SystemFiles& files = systemFiles());

} // namespace destguard
