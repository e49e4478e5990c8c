#pragma once
// Reading /proc/self/mountinfo: which block devices are mounted where. Pure
// text functions so they can be tested on recorded tables.

#include <QList>
#include <QString>

struct MountEntry {
    int mountId = 0;
    int parentId = 0;
    int major = 0;
    int minor = 0;
    QString root;        // the part of the file system mounted here ("/" unless a bind mount of a folder)
    QString mountPoint;  // escapes (\040 for a blank, ...) already decoded
    QString fsType;      // "vfat", "ext4", "fuseblk", ...
    QString source;      // "/dev/sdb1", "tmpfs", "proc", ...
};

// Decodes the octal escapes the kernel writes for blank, tab, new line and
// backslash (\040, \011, \012, \134; any backslash followed by three octal
// digits). The result is UTF-8 decoded after the bytes are put back.
QString unescapeMountField(const QByteArray& field);

// Every well-formed line of a mountinfo table, in the table's order (the order
// the volumes were mounted). Lines that do not have the fixed fields are
// skipped.
QList<MountEntry> parseMountInfo(const QByteArray& text);

// The mounts that show a volume of a block device, one per device, in the
// order the devices first appear in the table: pseudo and network file
// systems (whose source is not under /dev/) are left out, and a device
// mounted at several places (bind mounts, the same card mounted twice) is
// shown once, at the first place that mounts its whole file system (root
// "/"), else at its first place.
QList<MountEntry> volumeMounts(const QList<MountEntry>& entries);
