#include "media/LsblkJson.h"

#include "media/MediaRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSet>

namespace {
QString readText(const QJsonObject& o, QLatin1String key)
{
    const QJsonValue v = o.value(key);
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return QString::number(v.toInteger());
    return QString();
}

// SIZE is a number with --bytes; older lsblk printed it as a text.
quint64 readSize(const QJsonObject& o, QLatin1String key)
{
    const QJsonValue v = o.value(key);
    if (v.isDouble()) {
        const qint64 n = v.toInteger(-1);
        if (n >= 0)
            return static_cast<quint64>(n);
        const double d = v.toDouble();
        return d > 0 && d < 1.8e19 ? static_cast<quint64>(d) : 0;
    }
    if (v.isString()) {
        bool ok = false;
        const quint64 n = v.toString().trimmed().toULongLong(&ok);
        return ok ? n : 0;
    }
    return 0;
}

// RM and HOTPLUG are booleans; older lsblk printed "1"/"0".
bool readFlag(const QJsonObject& o, QLatin1String key)
{
    const QJsonValue v = o.value(key);
    if (v.isBool())
        return v.toBool();
    if (v.isDouble())
        return v.toDouble() != 0;
    if (v.isString())
        return v.toString().trimmed() == QLatin1String("1");
    return false;
}

QStringList readMountpoints(const QJsonObject& o)
{
    QStringList points;
    const QJsonValue many = o.value(QLatin1String("mountpoints"));
    if (many.isArray()) {
        for (const QJsonValue& p : many.toArray()) {
            if (p.isString() && !p.toString().isEmpty())
                points.append(p.toString());
        }
    }
    const QJsonValue one = o.value(QLatin1String("mountpoint"));
    if (one.isString() && !one.toString().isEmpty() && !points.contains(one.toString()))
        points.append(one.toString());
    return points;
}

QList<LsblkDevice> readDevices(const QJsonArray& array)
{
    QList<LsblkDevice> devices;
    for (const QJsonValue& item : array) {
        if (!item.isObject())
            continue;
        const QJsonObject o = item.toObject();
        LsblkDevice d;
        d.name = readText(o, QLatin1String("name"));
        d.kname = readText(o, QLatin1String("kname"));
        if (d.name.isEmpty() && d.kname.isEmpty())
            continue;
        d.path = readText(o, QLatin1String("path"));
        d.majMin = readText(o, QLatin1String("maj:min"));
        d.label = readText(o, QLatin1String("label"));
        d.fsType = readText(o, QLatin1String("fstype"));
        d.fsVersion = readText(o, QLatin1String("fsver"));
        d.partType = readText(o, QLatin1String("parttype"));
        d.pkName = readText(o, QLatin1String("pkname"));
        d.transport = readText(o, QLatin1String("tran"));
        d.type = readText(o, QLatin1String("type"));
        d.size = readSize(o, QLatin1String("size"));
        d.removable = readFlag(o, QLatin1String("rm"));
        d.hotplug = readFlag(o, QLatin1String("hotplug"));
        d.mountpoints = readMountpoints(o);
        const QJsonValue children = o.value(QLatin1String("children"));
        if (children.isArray())
            d.children = readDevices(children.toArray());
        devices.append(d);
    }
    return devices;
}

bool holdsMount(const LsblkDevice& d)
{
    if (!d.mountpoints.isEmpty())
        return true;
    for (const LsblkDevice& c : d.children) {
        if (holdsMount(c))
            return true;
    }
    return false;
}

// Extended-partition containers of an MBR table: two sectors of pointers,
// nothing to search.
bool isExtendedContainer(const LsblkDevice& d)
{
    const QString t = d.partType.toLower();
    return t == QLatin1String("0x5") || t == QLatin1String("0xf") || t == QLatin1String("0x85");
}

QVariantMap infoFor(const LsblkDevice& device, const LsblkDevice& wholeDisk, const QString& fileSystem)
{
    QVariantMap info;
    info.insert(diskinfo::DeviceIdentifier, device.identifier());
    info.insert(diskinfo::VolumeName, device.label);
    info.insert(diskinfo::FilesystemUserVisibleName, fileSystem);
    info.insert(diskinfo::ParentWholeDisk, wholeDisk.identifier());
    info.insert(diskinfo::IOKitSize, QVariant::fromValue<quint64>(device.size));
    const QString bus = busProtocolName(wholeDisk.type, wholeDisk.transport);
    if (!bus.isEmpty())
        info.insert(diskinfo::BusProtocol, bus);
    info.insert(diskinfo::Removable, wholeDisk.removable || wholeDisk.hotplug);
    return info;
}
} // namespace

std::optional<QList<LsblkDevice>> readLsblkJson(const QByteArray& json)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonValue devices = doc.object().value(QLatin1String("blockdevices"));
    if (!devices.isArray())
        return std::nullopt;
    return readDevices(devices.toArray());
}

QString userVisibleFileSystemName(const QString& fsType, const QString& fsVersion)
{
    const QString t = fsType.trimmed();
    const QString lower = t.toLower();
    if (lower == QLatin1String("vfat")) {
        const QString v = fsVersion.trimmed().toUpper();
        if (v == QLatin1String("FAT32") || v == QLatin1String("FAT16") || v == QLatin1String("FAT12"))
            return v;
        return QStringLiteral("FAT");
    }
    static const struct {
        const char* type;
        const char* shown;
    } names[] = {
        {"msdos", "FAT"},       {"exfat", "exFAT"},      {"ntfs", "NTFS"},           {"ntfs3", "NTFS"},
        {"hfsplus", "HFS+"},    {"hfs", "HFS"},          {"apfs", "APFS"},           {"btrfs", "Btrfs"},
        {"xfs", "XFS"},         {"f2fs", "F2FS"},        {"iso9660", "ISO 9660"},    {"udf", "UDF"},
        {"jfs", "JFS"},         {"reiserfs", "ReiserFS"}, {"zfs_member", "ZFS"},     {"crypto_luks", "LUKS"},
        {"swap", "Linux swap"}, {"squashfs", "SquashFS"}, {"erofs", "EROFS"},        {"ufs", "UFS"},
        // FUSE mounts name the helper, not the file system: leave it to lsblk.
        {"fuseblk", ""},
    };
    for (const auto& n : names) {
        if (lower == QLatin1String(n.type))
            return QString::fromLatin1(n.shown);
    }
    return t; // ext2, ext3, ext4 and anything unknown as lsblk writes them
}

QString busProtocolName(const QString& wholeDiskType, const QString& transport)
{
    if (wholeDiskType == QLatin1String("loop"))
        return QStringLiteral("Disk Image");
    static const struct {
        const char* tran;
        const char* shown;
    } names[] = {
        {"usb", "USB"},       {"mmc", "Secure Digital"}, {"nvme", "PCI-Express"}, {"sata", "SATA"},
        {"ata", "ATA"},       {"sas", "SAS"},            {"scsi", "SCSI"},        {"spi", "SPI"},
        {"iscsi", "iSCSI"},   {"fc", "Fibre Channel"},   {"ieee1394", "FireWire"}, {"virtio", "Virtual"},
    };
    const QString t = transport.trimmed().toLower();
    for (const auto& n : names) {
        if (t == QLatin1String(n.tran))
            return QString::fromLatin1(n.shown);
    }
    return transport.trimmed();
}

QString opticalDeviceType(const QStringList& udevProperties, quint64 mediumBytes)
{
    // Most specific first: udev sets ID_CDROM_MEDIA_DVD_PLUS_RW and not
    // ID_CDROM_MEDIA_DVD for a DVD+RW, but some drives report both.
    static const struct {
        const char* property;
        const char* shown;
    } media[] = {
        {"ID_CDROM_MEDIA_BD_RE", "BD-RE"},          {"ID_CDROM_MEDIA_BD_R", "BD-R"},
        {"ID_CDROM_MEDIA_BD", "BD-ROM"},            {"ID_CDROM_MEDIA_HDDVD_RW", "HD DVD-RW"},
        {"ID_CDROM_MEDIA_HDDVD_R", "HD DVD-R"},     {"ID_CDROM_MEDIA_HDDVD", "HD DVD-ROM"},
        {"ID_CDROM_MEDIA_DVD_PLUS_RW_DL", "DVD+RW DL"}, {"ID_CDROM_MEDIA_DVD_PLUS_R_DL", "DVD+R DL"},
        {"ID_CDROM_MEDIA_DVD_PLUS_RW", "DVD+RW"},   {"ID_CDROM_MEDIA_DVD_PLUS_R", "DVD+R"},
        {"ID_CDROM_MEDIA_DVD_RAM", "DVD-RAM"},      {"ID_CDROM_MEDIA_DVD_RW", "DVD-RW"},
        {"ID_CDROM_MEDIA_DVD_R", "DVD-R"},          {"ID_CDROM_MEDIA_DVD", "DVD-ROM"},
        {"ID_CDROM_MEDIA_CD_RW", "CD-RW"},          {"ID_CDROM_MEDIA_CD_R", "CD-R"},
        {"ID_CDROM_MEDIA_CD", "CD-ROM"},
    };
    for (const auto& m : media) {
        if (udevProperties.contains(QLatin1String(m.property) + QLatin1String("=1")))
            return QString::fromLatin1(m.shown);
    }
    constexpr quint64 kLargestCd = 900ull * 1000 * 1000;       // 99-minute CD-R: about 870 MB
    constexpr quint64 kLargestDvd = 8547991552ull;             // dual-layer DVD
    if (mediumBytes <= kLargestCd)
        return QStringLiteral("CD-ROM");
    if (mediumBytes <= kLargestDvd)
        return QStringLiteral("DVD-ROM");
    return QStringLiteral("BD-ROM");
}

QVariantMap diskInfoFromInverseTree(const QList<LsblkDevice>& inverseTree, const QString& mountedFsType,
                                    const UdevLookup& udev)
{
    if (inverseTree.isEmpty())
        return {};
    const LsblkDevice& device = inverseTree.first();
    // With --inverse the parents hang below the device; the last one on the
    // first branch is the whole disk (a device over several disks, such as a
    // RAID, is counted to the first).
    const LsblkDevice* whole = &device;
    while (!whole->children.isEmpty())
        whole = &whole->children.first();

    QString fileSystem = userVisibleFileSystemName(device.fsType, device.fsVersion);
    if (fileSystem.isEmpty())
        fileSystem = userVisibleFileSystemName(mountedFsType, QString());
    QVariantMap info = infoFor(device, *whole, fileSystem);
    if (whole->type == QLatin1String("rom")) {
        const QStringList props = udev ? udev(whole->majMin) : QStringList();
        info.insert(diskinfo::OpticalDeviceType, opticalDeviceType(props, device.size));
    }
    return info;
}

QHash<QString, bool> removableByDevice(const QList<LsblkDevice>& tree)
{
    QHash<QString, bool> removable;
    std::function<void(const LsblkDevice&, bool)> mark = [&](const LsblkDevice& d, bool flag) {
        if (!d.majMin.isEmpty())
            removable.insert(d.majMin, flag);
        removable.insert(d.identifier(), flag);
        for (const LsblkDevice& c : d.children)
            mark(c, flag);
    };
    for (const LsblkDevice& whole : tree)
        mark(whole, whole.removable || whole.hotplug);
    return removable;
}

QList<QVariantMap> unmountedDeviceInfos(const QList<LsblkDevice>& tree, bool includeFixedPartitions)
{
    QList<QVariantMap> infos;
    QSet<QString> seen;
    auto add = [&](const LsblkDevice& device, const LsblkDevice& whole) {
        const QString id = device.identifier();
        if (seen.contains(id))
            return;
        seen.insert(id);
        infos.append(infoFor(device, whole, userVisibleFileSystemName(device.fsType, device.fsVersion)));
    };
    for (const LsblkDevice& whole : tree) {
        // Loop devices (disk images) and optical drives are never offered;
        // whole disks are the only other top-level type lsblk prints.
        if (whole.type != QLatin1String("disk"))
            continue;
        const bool removable = whole.removable || whole.hotplug;
        if (removable && whole.size > 0 && !holdsMount(whole))
            add(whole, whole);
        if (!removable && !includeFixedPartitions)
            continue;
        for (const LsblkDevice& part : whole.children) {
            if (part.type != QLatin1String("part") || part.size == 0 || isExtendedContainer(part) || holdsMount(part))
                continue;
            add(part, whole);
        }
    }
    return infos;
}
