#include "device/DestinationGuard.h"

#include "device/MountInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace destguard {

namespace {

bool statDevice(const QString& path, unsigned* major, unsigned* minor)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *major = ::major(st.st_dev);
    *minor = ::minor(st.st_dev);
    return true;
}

bool statBlockDevice(const QString& path, unsigned* major, unsigned* minor)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISBLK(st.st_mode))
        return false;
    *major = ::major(st.st_rdev);
    *minor = ::minor(st.st_rdev);
    return true;
}

// The sysfs folder of a block device, followed through its links.
QString sysNodeForName(const QString& name, const SystemFiles& files)
{
    if (name.isEmpty() || name.contains(u'/'))
        return QString();
    return QFileInfo(files.sysRoot + QStringLiteral("/class/block/") + name).canonicalFilePath();
}

QString sysNodeForNumber(unsigned major, unsigned minor, const SystemFiles& files)
{
    return QFileInfo(files.sysRoot + QStringLiteral("/dev/block/%1:%2").arg(major).arg(minor)).canonicalFilePath();
}

// Adds the device at `node` and everything it stands on to `out`.
void expandNode(const QString& node, const SystemFiles& files, QSet<QString>& out, int depth, bool followLoops);

void expandName(const QString& name, const SystemFiles& files, QSet<QString>& out, int depth, bool followLoops)
{
    if (name.isEmpty())
        return;
    const QString node = sysNodeForName(name, files);
    if (node.isEmpty()) {
        out.insert(name);
        return;
    }
    expandNode(node, files, out, depth, followLoops);
}

void expandPath(const QString& path, const SystemFiles& files, QSet<QString>& out, int depth, bool followLoops);

void expandNode(const QString& node, const SystemFiles& files, QSet<QString>& out, int depth, bool followLoops)
{
    if (depth > 16)
        return; // a cycle in a broken tree; what was found is kept
    const QFileInfo info(node);
    const QString name = info.fileName();
    if (out.contains(name))
        return;
    out.insert(name);
    // A partition lies in its whole disk's folder.
    if (QFileInfo::exists(node + QStringLiteral("/partition")))
        expandNode(info.absolutePath(), files, out, depth + 1, followLoops);
    // Device-mapper and RAID volumes list the devices they are built from.
    const QDir slaves(node + QStringLiteral("/slaves"));
    for (const QString& s : slaves.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System))
        expandName(s, files, out, depth + 1, followLoops);
    // A loop device is stored in its backing file: writing into a file
    // system on the loop device writes into that file. (For the medium it is
    // the other way round: new files beside the backing file never change
    // it, so the medium's side does not follow it.)
    QFile backing(node + QStringLiteral("/loop/backing_file"));
    if (followLoops && backing.open(QIODevice::ReadOnly)) {
        const QString file = QString::fromLocal8Bit(backing.readAll()).trimmed();
        if (!file.isEmpty())
            expandPath(file, files, out, depth + 1, followLoops);
    }
}

QString nearestExisting(const QString& path)
{
    QString p = QDir::cleanPath(QDir(path).absolutePath());
    while (!QFileInfo::exists(p)) {
        const QString up = QFileInfo(p).absolutePath();
        if (up == p)
            break;
        p = up;
    }
    return p;
}

// The mount that holds `path`: the entry with the device number when the
// number is known, else the deepest mount point above the path.
const MountEntry* mountFor(const QList<MountEntry>& mounts, const QString& path, unsigned major, unsigned minor,
                           bool haveNumber)
{
    const MountEntry* best = nullptr;
    for (const MountEntry& m : mounts) {
        const bool under = path == m.mountPoint ||
                           path.startsWith(m.mountPoint.endsWith(u'/') ? m.mountPoint : m.mountPoint + u'/');
        if (!under)
            continue;
        if (haveNumber && (unsigned(m.major) != major || unsigned(m.minor) != minor))
            continue;
        if (!best || m.mountPoint.size() >= best->mountPoint.size())
            best = &m;
    }
    return best;
}

// Adds the block devices under the file system with device number
// major:minor (st_dev). `path`, when given, is a path on that file system: it
// picks the mount when the number alone names none.
void expandFileSystem(unsigned major, unsigned minor, bool haveNumber, const QString& path, const SystemFiles& files,
                      QSet<QString>& out, int depth, bool followLoops)
{
    if (haveNumber && major != 0) {
        const QString node = sysNodeForNumber(major, minor, files);
        if (!node.isEmpty()) {
            expandNode(node, files, out, depth, followLoops);
            return;
        }
    }
    // Anonymous device numbers (btrfs, overlay, ...) or no sysfs entry: the
    // mount table names the device the file system was mounted from.
    QFile table(files.mountInfo);
    if (!table.open(QIODevice::ReadOnly))
        return;
    const QList<MountEntry> mounts = parseMountInfo(table.readAll());
    const MountEntry* m = nullptr;
    if (path.isEmpty()) {
        for (const MountEntry& e : mounts) {
            if (haveNumber && unsigned(e.major) == major && unsigned(e.minor) == minor &&
                e.source.startsWith(QLatin1String("/dev/"))) {
                m = &e;
                break;
            }
        }
    } else {
        m = mountFor(mounts, path, major, minor, haveNumber);
        if (!m)
            m = mountFor(mounts, path, 0, 0, false);
    }
    if (!m || !m->source.startsWith(QLatin1String("/dev/")))
        return;
    unsigned dmaj = 0;
    unsigned dmin = 0;
    if (files.blockDeviceNumber && files.blockDeviceNumber(m->source, &dmaj, &dmin)) {
        const QString node = sysNodeForNumber(dmaj, dmin, files);
        if (!node.isEmpty()) {
            expandNode(node, files, out, depth, followLoops);
            return;
        }
    }
    // "/dev/mapper/name" links to "../dm-0"; the link target names the device.
    const QString target = QFileInfo(m->source).canonicalFilePath();
    expandName(QFileInfo(target.isEmpty() ? m->source : target).fileName(), files, out, depth, followLoops);
}

void expandPath(const QString& path, const SystemFiles& files, QSet<QString>& out, int depth, bool followLoops)
{
    const QString existing = nearestExisting(path);
    const QString canonical = QFileInfo(existing).canonicalFilePath().isEmpty()
                                  ? existing
                                  : QFileInfo(existing).canonicalFilePath();
    unsigned major = 0;
    unsigned minor = 0;
    const bool haveNumber = files.deviceOfPath && files.deviceOfPath(canonical, &major, &minor);
    expandFileSystem(major, minor, haveNumber, canonical, files, out, depth, followLoops);
}

bool sameFile(const QString& a, const struct stat& b)
{
    struct stat st {};
    return ::stat(QFile::encodeName(a).constData(), &st) == 0 && st.st_dev == b.st_dev && st.st_ino == b.st_ino;
}

// Adds every loop device whose backing file is `image`: a file system
// mounted from one of them is stored in the image.
void addLoopDevicesBackedBy(const QString& image, const SystemFiles& files, QSet<QString>& out)
{
    struct stat target {};
    if (::stat(QFile::encodeName(image).constData(), &target) != 0 || !S_ISREG(target.st_mode))
        return;
    const QDir block(files.sysRoot + QStringLiteral("/class/block"));
    for (const QString& name : block.entryList({QStringLiteral("loop*")}, QDir::Dirs | QDir::System)) {
        QFile backing(block.filePath(name) + QStringLiteral("/loop/backing_file"));
        if (!backing.open(QIODevice::ReadOnly))
            continue;
        QString file = QString::fromLocal8Bit(backing.read(8192)).trimmed();
        if (file.endsWith(QLatin1String(" (deleted)")))
            continue; // a deleted file is not the image still on disk
        if (sameFile(file, target))
            out.insert(name);
    }
}

} // namespace

SystemFiles systemFiles()
{
    SystemFiles f;
    f.deviceOfPath = statDevice;
    f.blockDeviceNumber = statBlockDevice;
    return f;
}

QStringList blockDevicesBehind(const QString& path, const SystemFiles& files)
{
    QSet<QString> out;
    expandPath(path, files, out, 0, true);
    QStringList list(out.begin(), out.end());
    list.sort();
    return list;
}

QStringList blockDevicesOfFileSystem(unsigned major, unsigned minor, const SystemFiles& files)
{
    QSet<QString> out;
    expandFileSystem(major, minor, true, QString(), files, out, 0, true);
    QStringList list(out.begin(), out.end());
    list.sort();
    return list;
}

QStringList mediumDevices(const QString& identifier, const QString& parentDisk, const QString& sourcePath,
                          const SystemFiles& files)
{
    QSet<QString> out;
    if (!sourcePath.isEmpty()) {
        unsigned major = 0;
        unsigned minor = 0;
        if (files.blockDeviceNumber && files.blockDeviceNumber(sourcePath, &major, &minor)) {
            const QString node = sysNodeForNumber(major, minor, files);
            if (!node.isEmpty())
                expandNode(node, files, out, 0, false);
        } else {
            addLoopDevicesBackedBy(sourcePath, files, out);
        }
    } else {
        expandName(identifier, files, out, 0, false);
        if (!parentDisk.isEmpty() && parentDisk != QLatin1String("<None>"))
            expandName(parentDisk, files, out, 0, false);
    }
    QStringList list(out.begin(), out.end());
    list.sort();
    return list;
}

bool destinationOnMedium(const QString& destination, const QString& identifier, const QString& parentDisk,
                         const QString& sourcePath, const SystemFiles& files)
{
    if (destination.isEmpty())
        return false;
    const QStringList medium = mediumDevices(identifier, parentDisk, sourcePath, files);
    if (medium.isEmpty())
        return false;
    const QStringList behind = blockDevicesBehind(destination, files);
    for (const QString& name : behind) {
        if (medium.contains(name))
            return true;
    }
    return false;
}

} // namespace destguard
