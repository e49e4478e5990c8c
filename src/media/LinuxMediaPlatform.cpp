#include "media/LinuxMediaPlatform.h"

#include "media/MediaRows.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {
constexpr int kToolStartMs = 5000;
constexpr int kToolFinishMs = 10000;
} // namespace

LinuxMediaPlatform::LinuxMediaPlatform() : LinuxMediaPlatform(&LinuxMediaPlatform::runTool, Locations{}) {}

LinuxMediaPlatform::LinuxMediaPlatform(ToolRunner runner, Locations locations)
    : runner_(std::move(runner)), locations_(std::move(locations))
{
}

QString LinuxMediaPlatform::lsblkColumns()
{
    return QStringLiteral("NAME,KNAME,PATH,MAJ:MIN,LABEL,FSTYPE,FSVER,PARTTYPE,SIZE,PKNAME,TRAN,RM,HOTPLUG,TYPE,MOUNTPOINTS");
}

std::optional<QByteArray> LinuxMediaPlatform::runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(kToolStartMs))
        return std::nullopt;
    if (!process.waitForFinished(kToolFinishMs)) {
        process.kill();
        process.waitForFinished(kToolStartMs);
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

QList<MountEntry> LinuxMediaPlatform::readVolumeMounts() const
{
    QFile file(locations_.mountInfo);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // /proc files report size 0: read until the end rather than by size.
    return volumeMounts(parseMountInfo(file.readAll()));
}

QString LinuxMediaPlatform::deviceNodeFor(const MountEntry& mount) const
{
    // The mount table may name the device by a link ("/dev/disk/by-uuid/...",
    // "/dev/mapper/...") or as "/dev/root"; sysfs knows the kernel name of
    // the device number. File systems with an anonymous device number
    // (major 0, e.g. btrfs) are found by their source.
    if (mount.major != 0) {
        const QString link = locations_.sysRoot + QStringLiteral("/dev/block/%1:%2").arg(mount.major).arg(mount.minor);
        const QString target = QFileInfo(link).symLinkTarget();
        if (!target.isEmpty())
            return QStringLiteral("/dev/") + QFileInfo(target).fileName();
    }
    const QString canonical = QFileInfo(mount.source).canonicalFilePath();
    return canonical.isEmpty() ? mount.source : canonical;
}

QStringList LinuxMediaPlatform::udevProperties(const QString& majMin) const
{
    QFile file(locations_.udevData + QStringLiteral("/b") + majMin);
    if (majMin.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    QStringList props;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("E:"))
            props.append(QString::fromUtf8(line.mid(2)));
    }
    return props;
}

std::optional<QList<LsblkDevice>> LinuxMediaPlatform::allDevices()
{
    const std::optional<QByteArray> out = runner_(
        QStringLiteral("lsblk"), {QStringLiteral("--json"), QStringLiteral("--bytes"), QStringLiteral("--output"), lsblkColumns()});
    if (!out)
        return std::nullopt;
    return readLsblkJson(*out);
}

QStringList LinuxMediaPlatform::mountedRemovableMedia()
{
    const std::optional<QList<LsblkDevice>> tree = allDevices();
    if (!tree)
        return {};
    const QHash<QString, bool> removable = removableByDevice(*tree);
    QStringList paths;
    for (const MountEntry& m : readVolumeMounts()) {
        const QString key = m.major != 0 ? QStringLiteral("%1:%2").arg(m.major).arg(m.minor)
                                         : QFileInfo(deviceNodeFor(m)).fileName();
        if (removable.value(key, false))
            paths.append(m.mountPoint);
    }
    return paths;
}

QStringList LinuxMediaPlatform::mountedLocalVolumePaths()
{
    QStringList paths;
    for (const MountEntry& m : readVolumeMounts())
        paths.append(m.mountPoint);
    return paths;
}

QVariantMap LinuxMediaPlatform::diskInfo(const QString& mountPath)
{
    for (const MountEntry& m : readVolumeMounts()) {
        if (m.mountPoint != mountPath)
            continue;
        const std::optional<QByteArray> out = runner_(
            QStringLiteral("lsblk"), {QStringLiteral("--json"), QStringLiteral("--bytes"), QStringLiteral("--inverse"),
                                      QStringLiteral("--output"), lsblkColumns(), deviceNodeFor(m)});
        if (!out)
            return {};
        const std::optional<QList<LsblkDevice>> tree = readLsblkJson(*out);
        if (!tree)
            return {};
        return diskInfoFromInverseTree(*tree, m.fsType,
                                       [this](const QString& majMin) { return udevProperties(majMin); });
    }
    return {};
}

QList<QVariantMap> LinuxMediaPlatform::unmountedDeviceInfos(bool includeFixedPartitions)
{
    const std::optional<QList<LsblkDevice>> tree = allDevices();
    if (!tree)
        return {};
    return ::unmountedDeviceInfos(*tree, includeFixedPartitions);
}
