// The lsblk JSON reader and what it builds, on recorded lsblk 2.38 answers in
// tests/media/lsblk/ (a USB stick, an SD card in a built-in reader, an NVMe
// system disk, a loop device, an optical drive, a disk without partition
// table, an encrypted stick, all devices of a desktop, the older text-valued
// format, a truncated answer): the information dictionaries of mounted
// devices, user-visible file-system names, bus protocols, optical medium
// types, removability and the rules for unmounted devices. Needs nothing but
// the library.
#include "media/MediaPrinters.h"
#include "media/LsblkJson.h"
#include "media/MediaRows.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {
QByteArray fixture(const char* name)
{
    QFile f(QStringLiteral(OSTREL_SOURCE_DIR "/tests/media/lsblk/") + QString::fromLatin1(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << "fixture missing: " << name;
    return f.readAll();
}

QVariantMap mountedInfo(const char* name, const QString& mountedFsType = QString(), const UdevLookup& udev = {})
{
    const auto tree = readLsblkJson(fixture(name));
    EXPECT_TRUE(tree) << name;
    return tree ? diskInfoFromInverseTree(*tree, mountedFsType, udev) : QVariantMap();
}

TEST(LsblkRead, ReadsEveryColumnAndNesting)
{
    const auto tree = readLsblkJson(fixture("usb_stick_sdb1.json"));
    ASSERT_TRUE(tree);
    ASSERT_EQ(tree->size(), 1);
    const LsblkDevice& part = tree->first();
    // transport is null in the answer.
    EXPECT_EQ((QStringList{part.name, part.kname, part.path, part.majMin, part.label, part.fsType, part.fsVersion,
                           part.partType, part.type, part.transport}),
              (QStringList{"sdb1", "sdb1", "/dev/sdb1", "8:17", "KINGSTON", "vfat", "FAT32", "0xc", "part", ""}));
    EXPECT_EQ(part.size, 31003246592ull);
    EXPECT_EQ(part.mountpoints, QStringList{QStringLiteral("/media/anna/KINGSTON")});
    ASSERT_EQ(part.children.size(), 1);
    const LsblkDevice& disk = part.children.first();
    EXPECT_EQ(disk.name, QStringLiteral("sdb"));
    EXPECT_EQ(disk.transport, QStringLiteral("usb"));
    EXPECT_TRUE(disk.removable);
    EXPECT_TRUE(disk.hotplug);
    EXPECT_TRUE(disk.mountpoints.isEmpty()); // [null]
}

TEST(LsblkRead, OlderFormatWithTextValuesReadsTheSame)
{
    const auto oldTree = readLsblkJson(fixture("old_format_usb_stick.json"));
    ASSERT_TRUE(oldTree);
    EXPECT_EQ(diskInfoFromInverseTree(*oldTree, QString()), mountedInfo("usb_stick_sdb1.json"));
}

TEST(LsblkRead, NotAnLsblkAnswerGivesNothing)
{
    EXPECT_FALSE(readLsblkJson(fixture("truncated.json")));
    EXPECT_FALSE(readLsblkJson(""));
    EXPECT_FALSE(readLsblkJson("lsblk: /dev/sdz: not a block device"));
    EXPECT_FALSE(readLsblkJson("[]"));
    EXPECT_FALSE(readLsblkJson(R"({"blockdevices": {}})"));
    EXPECT_FALSE(readLsblkJson(R"({"devices": []})"));
}

TEST(LsblkRead, OddRecordsAreSkippedNotFatal)
{
    const auto tree = readLsblkJson(
        R"({"blockdevices":[1, "x", null, {}, {"name": 5}, {"name":"sda","size":-4,"rm":"yes","children":7}]})");
    ASSERT_TRUE(tree);
    ASSERT_EQ(tree->size(), 2); // the number-named record and sda
    const LsblkDevice& sda = tree->at(1);
    EXPECT_EQ(sda.size, 0u);
    EXPECT_FALSE(sda.removable);
    EXPECT_TRUE(sda.children.isEmpty());
    const auto big = readLsblkJson(R"({"blockdevices":[{"name":"big","size":9007199254740993}]})");
    ASSERT_TRUE(big);
    EXPECT_EQ(big->first().size, 9007199254740993ull) << "sizes beyond double precision stay exact";
    // lsblk on a path that is not a device prints an empty list (and exits 32).
    const auto none = readLsblkJson("{\n   \"blockdevices\": [\n\n   ]\n}\n");
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());
    EXPECT_TRUE(diskInfoFromInverseTree(*none, QStringLiteral("vfat")).isEmpty());
}

// One recorded answer per kind of device: the dictionary of its mounted
// volume (an empty bus: none known).
TEST(MountedDeviceInfo, RecordedDevices)
{
    const struct {
        const char* fixture;
        const char* mountTableType;
        const char* identifier;
        const char* parent;
        const char* fileSystem;
        const char* bus;
        bool removable;
    } cases[] = {
        {"usb_stick_sdb1.json", "", "sdb1", "sdb", "FAT32", "USB", true},
        {"sd_card_mmcblk0p1.json", "", "mmcblk0p1", "mmcblk0", "exFAT", "Secure Digital", true}, // RM 0, HOTPLUG 1
        {"nvme_root.json", "", "nvme0n1p2", "nvme0n1", "ext4", "PCI-Express", false},
        {"loop_image.json", "", "loop0", "loop0", "", "Disk Image", false},
        {"usb_disk_no_partition_table.json", "fuseblk", "sdh", "sdh", "NTFS", "USB", true},
        // "/dev/dm-0" exists, "/dev/luks-..." does not.
        {"usb_luks_dm0.json", "", "dm-0", "sdf", "", "USB", true},
        // Recorded without a udev database: the mount table's type stands in.
        {"virtio_whole_disk_no_udev.json", "ext4", "vda", "vda", "ext4", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        const QVariantMap info = mountedInfo(c.fixture, QString::fromLatin1(c.mountTableType));
        EXPECT_EQ(info.value(diskinfo::DeviceIdentifier), QString::fromLatin1(c.identifier));
        EXPECT_EQ(info.value(diskinfo::ParentWholeDisk), QString::fromLatin1(c.parent));
        if (*c.fileSystem) {
            EXPECT_EQ(info.value(diskinfo::FilesystemUserVisibleName), QString::fromLatin1(c.fileSystem));
        }
        EXPECT_EQ(info.value(diskinfo::BusProtocol).toString(), QString::fromLatin1(c.bus));
        EXPECT_EQ(info.value(diskinfo::Removable).toBool(), c.removable);
        EXPECT_FALSE(info.contains(diskinfo::OpticalDeviceType));
    }
    const QVariantMap usb = mountedInfo("usb_stick_sdb1.json");
    EXPECT_EQ(usb.value(diskinfo::VolumeName), QStringLiteral("KINGSTON"));
    EXPECT_EQ(usb.value(diskinfo::IOKitSize).toULongLong(), 31003246592ull);
    EXPECT_EQ(mountedInfo("usb_luks_dm0.json").value(diskinfo::VolumeName), QStringLiteral("secret"));
    EXPECT_EQ(rowFromDiskInfo(mountedInfo("sd_card_mmcblk0p1.json"))->nsStrVolName, QStringLiteral("Untitled"));
    EXPECT_FALSE(rowFromDiskInfo(mountedInfo("loop_image.json"))) << "a disk image gets no row";
    // lsblk's own answer wins over the mount table's.
    EXPECT_EQ(mountedInfo("usb_stick_sdb1.json", QStringLiteral("msdos")).value(diskinfo::FilesystemUserVisibleName),
              QStringLiteral("FAT32"));
}

TEST(MountedDeviceInfo, OpticalDiscTypeFromUdevElseFromSize)
{
    // No udev database: a 700 MB medium can only be a CD.
    QVariantMap info = mountedInfo("optical_sr0.json");
    EXPECT_EQ(info.value(diskinfo::OpticalDeviceType), QStringLiteral("CD-ROM"));
    EXPECT_EQ(info.value(diskinfo::FilesystemUserVisibleName), QStringLiteral("ISO 9660"));
    EXPECT_FALSE(rowFromDiskInfo(info));

    QString askedFor;
    info = mountedInfo("optical_sr0.json", QString(), [&](const QString& majMin) {
        askedFor = majMin;
        return QStringList{QStringLiteral("ID_CDROM=1"), QStringLiteral("ID_CDROM_MEDIA=1"),
                           QStringLiteral("ID_CDROM_MEDIA_DVD=1")};
    });
    EXPECT_EQ(askedFor, QStringLiteral("11:0"));
    EXPECT_EQ(info.value(diskinfo::OpticalDeviceType), QStringLiteral("DVD-ROM"));
    EXPECT_TRUE(rowFromDiskInfo(info)); // only CD types are left out
}

struct FsCase {
    const char* type;
    const char* version;
    const char* shown;
};
class FsName : public ::testing::TestWithParam<FsCase> {};

TEST_P(FsName, IsTheUserVisibleName)
{
    EXPECT_EQ(userVisibleFileSystemName(QString::fromLatin1(GetParam().type), QString::fromLatin1(GetParam().version)),
              QString::fromLatin1(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Names, FsName,
    ::testing::Values(FsCase{"vfat", "FAT16", "FAT16"}, FsCase{"vfat", "", "FAT"}, FsCase{"msdos", "", "FAT"},
                      FsCase{"ntfs3", "", "NTFS"}, FsCase{"hfsplus", "", "HFS+"},
                      FsCase{"iso9660", "Joliet Extension", "ISO 9660"}, FsCase{"crypto_LUKS", "2", "LUKS"},
                      FsCase{"fuseblk", "", ""}, FsCase{"nilfs2", "", "nilfs2"}));

TEST(BusProtocol, LoopIsAlwaysDiskImage)
{
    EXPECT_EQ(busProtocolName(QStringLiteral("loop"), QStringLiteral("usb")), QStringLiteral("Disk Image"));
    EXPECT_EQ(busProtocolName(QStringLiteral("disk"), QStringLiteral("sata")), QStringLiteral("SATA"));
    EXPECT_EQ(busProtocolName(QStringLiteral("disk"), QStringLiteral("ubd")), QStringLiteral("ubd"));
}

TEST(OpticalMedium, MostSpecificUdevPropertyWins)
{
    EXPECT_EQ(opticalDeviceType({QStringLiteral("ID_CDROM_MEDIA_CD_R=1")}, 0), QStringLiteral("CD-R"));
    EXPECT_EQ(opticalDeviceType({QStringLiteral("ID_CDROM_MEDIA_DVD=1"), QStringLiteral("ID_CDROM_MEDIA_DVD_PLUS_RW=1")}, 0),
              QStringLiteral("DVD+RW"));
    EXPECT_EQ(opticalDeviceType({QStringLiteral("ID_CDROM_MEDIA_BD=1")}, 0), QStringLiteral("BD-ROM"));
    // A drive property ("can read DVDs") is not the medium.
    EXPECT_EQ(opticalDeviceType({QStringLiteral("ID_CDROM_DVD=1"), QStringLiteral("ID_CDROM_MEDIA_CD=1")}, 0),
              QStringLiteral("CD-ROM"));
    EXPECT_EQ(opticalDeviceType({QStringLiteral("ID_CDROM_MEDIA_DVD=0")}, 4700000000ull), QStringLiteral("DVD-ROM"));
}

TEST(OpticalMedium, SizeDecidesWithoutUdev)
{
    EXPECT_EQ(opticalDeviceType({}, 900000000ull), QStringLiteral("CD-ROM"));
    EXPECT_EQ(opticalDeviceType({}, 900000001ull), QStringLiteral("DVD-ROM"));
    EXPECT_EQ(opticalDeviceType({}, 8547991552ull), QStringLiteral("DVD-ROM"));
    EXPECT_EQ(opticalDeviceType({}, 25025314816ull), QStringLiteral("BD-ROM"));
}

TEST(Removability, WholeDiskFlagsApplyToEverythingOnIt)
{
    const auto tree = readLsblkJson(fixture("all_devices.json"));
    ASSERT_TRUE(tree);
    const QHash<QString, bool> removable = removableByDevice(*tree);
    EXPECT_TRUE(removable.value(QStringLiteral("8:17")));       // sdb1 on a USB stick
    EXPECT_TRUE(removable.value(QStringLiteral("sdb1")));
    EXPECT_TRUE(removable.value(QStringLiteral("dm-0")));       // encrypted volume on a USB stick
    EXPECT_TRUE(removable.value(QStringLiteral("179:1")));      // SD card: HOTPLUG only
    EXPECT_TRUE(removable.value(QStringLiteral("8:112")));      // USB disk: HOTPLUG only
    EXPECT_FALSE(removable.value(QStringLiteral("259:2")));     // NVMe system partition
    EXPECT_FALSE(removable.value(QStringLiteral("loop0")));
    EXPECT_FALSE(removable.contains(QStringLiteral("sdz1")));
}

QStringList identifiers(const QList<QVariantMap>& infos)
{
    QStringList ids;
    for (const QVariantMap& i : infos)
        ids << i.value(diskinfo::DeviceIdentifier).toString();
    return ids;
}

TEST(UnmountedDevices, RemovableDisksAndPartitionsWithNothingMounted)
{
    const auto tree = readLsblkJson(fixture("all_devices.json"));
    ASSERT_TRUE(tree);
    // Left out: loop0 (disk image), sdb and sdb1 (mounted), sde (reader
    // without card), sdf/sdf1 (hold a mounted encrypted volume), sdg/sdg1 and
    // sdh (mounted), sr0 (optical), mmcblk0 (partition mounted), mmcblk1p2
    // (extended-partition container), the NVMe disk (internal), zram0 (swap).
    const QStringList removable{"sdc", "sdc1", "sdd", "mmcblk1", "mmcblk1p1", "mmcblk1p5"};
    const QList<QVariantMap> infos = unmountedDeviceInfos(*tree, false);
    EXPECT_EQ(identifiers(infos), removable);
    // With internal disks: only their free partitions are added.
    const QList<QVariantMap> all = unmountedDeviceInfos(*tree, true);
    EXPECT_EQ(identifiers(all), removable + QStringList{"nvme0n1p3"});
    EXPECT_EQ(*rowFromDiskInfo(all.last()), MyDataObject("nvme0n1p3", "Data", "NTFS", rowFromDiskInfo(all.last())->nsStrSize,
                                                         "nvme0n1", rowFromDiskInfo(all.last())->nsStrSectors));
    EXPECT_FALSE(all.last().value(diskinfo::Removable).toBool());
    // A damaged card: "Untitled" and no file system.
    EXPECT_EQ(*rowFromDiskInfo(infos.at(1)), MyDataObject(QStringLiteral("sdc1"), QStringLiteral("Untitled"), QString(),
                                                          QStringLiteral("7.40  GB "), QStringLiteral("sdc"),
                                                          QStringLiteral("15521792")));
    EXPECT_EQ(*rowFromDiskInfo(infos.at(5)), MyDataObject("mmcblk1p5", "CAMERA", "FAT16", rowFromDiskInfo(infos.at(5))->nsStrSize,
                                                          "mmcblk1", rowFromDiskInfo(infos.at(5))->nsStrSectors));
}

TEST(UnmountedDevices, ADeviceReachedTwiceIsListedOnce)
{
    // A multi-disk device hangs below each of its disks; a disk shown twice
    // must not give two rows either.
    const QByteArray json = R"({"blockdevices":[
      {"name":"sdc","kname":"sdc","size":1048576,"rm":true,"hotplug":true,"type":"disk","mountpoints":[null],
       "children":[{"name":"sdc1","kname":"sdc1","size":524288,"type":"part","mountpoints":[null]}]},
      {"name":"sdc","kname":"sdc","size":1048576,"rm":true,"hotplug":true,"type":"disk","mountpoints":[null],
       "children":[{"name":"sdc1","kname":"sdc1","size":524288,"type":"part","mountpoints":[null]}]}]})";
    const auto tree = readLsblkJson(json);
    ASSERT_TRUE(tree);
    EXPECT_EQ(identifiers(unmountedDeviceInfos(*tree, true)), (QStringList{"sdc", "sdc1"}));
}
} // namespace
