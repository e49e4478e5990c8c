#pragma once
// Reading the JSON that `lsblk --json --bytes` prints, and turning its device
// records into the information dictionaries of the media listing (keys in
// media/MediaRows.h). Everything here is a pure function of its input, so it
// is tested on recorded lsblk answers and fuzzed.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <optional>

// One device record as lsblk prints it. Absent and null values read as empty
// texts, 0 and false.
struct LsblkDevice {
    QString name;       // NAME ("sdb1", "luks-3f2a..." for a mapped device)
    QString kname;      // KNAME, the kernel name ("sdb1", "dm-0"); "/dev/" + kname is the node
    QString path;       // PATH
    QString majMin;     // MAJ:MIN ("8:17")
    QString label;      // LABEL
    QString fsType;     // FSTYPE ("vfat", "exfat", "ntfs", ...)
    QString fsVersion;  // FSVER ("FAT32", "1.0", ...)
    QString partType;   // PARTTYPE ("0xc", "0x5", a GPT type UUID)
    QString pkName;     // PKNAME, kernel name of the parent
    QString transport;  // TRAN ("usb", "nvme", "mmc", "sata", ...)
    QString type;       // TYPE ("disk", "part", "loop", "rom", "crypt", "lvm", ...)
    quint64 size = 0;   // SIZE in bytes (lsblk --bytes)
    bool removable = false; // RM
    bool hotplug = false;   // HOTPLUG
    QStringList mountpoints; // MOUNTPOINTS (or the older MOUNTPOINT) without the nulls
    QList<LsblkDevice> children; // partitions and holders; with --inverse the parents instead

    // The name the media table shows and "/dev/" completes: KNAME, or NAME
    // when lsblk printed no KNAME.
    QString identifier() const { return kname.isEmpty() ? name : kname; }
};

// The device records of an lsblk JSON answer, nested as lsblk printed them.
// Accepts both the current form (RM and HOTPLUG booleans, SIZE a number) and
// the older one that printed them as texts ("1", "0", "62914560"). Returns
// nothing when the text is not an lsblk answer (not JSON, or no
// "blockdevices" array); an empty list when lsblk found no device.
std::optional<QList<LsblkDevice>> readLsblkJson(const QByteArray& json);

// The name users know a file system by: "FAT32"/"FAT16"/"FAT12" for vfat
// with that version, "exFAT", "NTFS", "ext4", "HFS+", "APFS", "Btrfs", ...;
// an unknown type is shown as lsblk names it; no type gives an empty text.
QString userVisibleFileSystemName(const QString& fsType, const QString& fsVersion);

// The bus protocol of a whole disk: "Disk Image" for a loop device whatever
// its transport, else a readable transport name ("USB", "Secure Digital",
// "PCI-Express", "SATA", ...); empty when lsblk does not know it.
QString busProtocolName(const QString& wholeDiskType, const QString& transport);

// The medium type of an optical drive: from the udev properties of the drive
// ("ID_CDROM_MEDIA_DVD=1", ...) when there are any, else guessed from the
// size of the medium (nothing above 900 MB is a CD, nothing above a
// dual-layer DVD is a DVD). Always a text such as "CD-ROM", "CD-R", "DVD-ROM",
// "DVD+RW", "BD-ROM".
QString opticalDeviceType(const QStringList& udevProperties, quint64 mediumBytes);

// Gives the udev properties ("KEY=VALUE") of the device with this MAJ:MIN.
using UdevLookup = std::function<QStringList(const QString& majMin)>;

// The information dictionary of one mounted device from the answer of
// `lsblk --inverse` on it: the device first, its parents nested below it
// down to the whole disk. `mountedFsType` is the mount table's file-system
// type, used when lsblk knows none (no udev database). An empty dictionary
// when the answer names no device.
QVariantMap diskInfoFromInverseTree(const QList<LsblkDevice>& inverseTree, const QString& mountedFsType,
                                    const UdevLookup& udev = {});

// For every device of an lsblk answer on all devices, whether the whole disk
// it lies on is removable or hot-plugged (RM or HOTPLUG of the top-level
// disk), keyed both by MAJ:MIN ("8:17") and by kernel name ("sdb1").
QHash<QString, bool> removableByDevice(const QList<LsblkDevice>& tree);

// Information dictionaries for the devices that can be searched although
// nothing on them is mounted (a damaged card often will not mount), from the
// answer of `lsblk` on all devices (whole disks at the top, partitions below):
//  - a removable or hot-plugged whole disk, and each of its partitions;
//  - with `includeFixedPartitions`, also the partitions of the other disks;
// leaving out anything mounted or holding something mounted (a whole disk
// with a mounted partition, a partition under a mounted encrypted volume),
// empty devices (a card reader with no card), loop devices, optical drives
// and extended-partition containers. Each device once, in lsblk's order.
QList<QVariantMap> unmountedDeviceInfos(const QList<LsblkDevice>& tree, bool includeFixedPartitions);
