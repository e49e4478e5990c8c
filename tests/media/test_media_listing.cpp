// The listing rules above the row step: removable media or all local volumes
// by USE_HARD_DISK, the "/private/" skip before the system is asked, order
// and duplicates as the system gives them, unmounted devices after the
// mounted ones without repeating a device; then the Linux platform step end
// to end on a recorded mount table and recorded lsblk answers (a tool that
// cannot start or answers garbage costs only that volume's row). The last
// tests list this machine's real media with a loop-attached FAT32 (and ext4)
// image; they need root, losetup and the mkfs tool, and skip without them.
#include "media/MediaPrinters.h"
#include "edition/EditionProfile.h"
#include "media/LinuxMediaPlatform.h"
#include "media/MediaList.h"
#include "media/MediaRows.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {
QVariantMap volume(const QString& id, const QString& name = QStringLiteral("CARD"))
{
    return {{diskinfo::DeviceIdentifier, id},
            {diskinfo::VolumeName, name},
            {diskinfo::FilesystemUserVisibleName, QStringLiteral("FAT32")},
            {diskinfo::ParentWholeDisk, QStringLiteral("sdz")},
            {diskinfo::IOKitSize, QVariant::fromValue<quint64>(1048576)}};
}

class FakePlatform : public MediaPlatform {
public:
    QStringList removable;
    QStringList local;
    QHash<QString, QVariantMap> infos;
    QList<QVariantMap> unmounted;
    QStringList asked;
    QList<bool> unmountedAsks;

    QStringList mountedRemovableMedia() override { return removable; }
    QStringList mountedLocalVolumePaths() override { return local; }
    QVariantMap diskInfo(const QString& mountPath) override
    {
        asked << mountPath;
        return infos.value(mountPath);
    }
    QList<QVariantMap> unmountedDeviceInfos(bool includeFixedPartitions) override
    {
        unmountedAsks << includeFixedPartitions;
        return unmounted;
    }
};

QStringList ids(const QList<MyDataObject>& rows)
{
    QStringList out;
    for (const MyDataObject& r : rows)
        out << r.nsStrDiskIdentifier;
    return out;
}

TEST(VolumeSelection, UseHardDiskChoosesAllLocalVolumesInTheSystemsOrder)
{
    FakePlatform p;
    p.removable = {QStringLiteral("/media/u/STICK")};
    p.local = {QStringLiteral("/"), QStringLiteral("/media/u/STICK")};
    p.infos[QStringLiteral("/")] = volume(QStringLiteral("nvme0n1p2"));
    p.infos[QStringLiteral("/media/u/STICK")] = volume(QStringLiteral("sdb1"));

    QList<MyDataObject> rows;
    getVolumeToFSGetInfo(p, false, rows);
    EXPECT_EQ(ids(rows), QStringList{QStringLiteral("sdb1")});
    rows.clear();
    getVolumeToFSGetInfo(p, true, rows);
    EXPECT_EQ(ids(rows), (QStringList{"nvme0n1p2", "sdb1"}));

    // The system's order and duplicates are kept; a path without a device is left out.
    p.removable = {QStringLiteral("/b"), QStringLiteral("/media/u/STICK"), QStringLiteral("/b"), QStringLiteral("/nothing")};
    p.infos[QStringLiteral("/b")] = volume(QStringLiteral("sdc1"));
    rows.clear();
    getVolumeToFSGetInfo(p, false, rows);
    EXPECT_EQ(ids(rows), (QStringList{"sdc1", "sdb1", "sdc1"}));
}

TEST(VolumeSelection, NoMediaSaysSoAndWhy)
{
    FakePlatform platform;
    for (const char* key : {"camera", "professional"}) {
        const EditionProfile profile = EditionProfile::fromNameOrKey(QString::fromLatin1(key));
        QString text;
        QTextStream out(&text);
        EXPECT_EQ(printMediaTable(profile, out, platform), 0);
        EXPECT_TRUE(text.startsWith(QStringLiteral("No storage media were found"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Insert the card or drive")));
        EXPECT_EQ(text.contains(QStringLiteral("removable media only")), !profile.USE_HARD_DISK);
    }
}

TEST(VolumeSelection, PrivatePathsAreSkippedBeforeAsking)
{
    FakePlatform p;
    p.local = {QStringLiteral("/private/var/vm"), QStringLiteral("/media/private/CARD"),
               QStringLiteral("/media/u/private"), QStringLiteral("/media/Private/X"),
               QStringLiteral("/media/privateer/Y")};
    for (const QString& path : p.local)
        p.infos[path] = volume(path.section(QLatin1Char('/'), -1));
    QList<MyDataObject> rows;
    getVolumeToFSGetInfo(p, true, rows);
    // Case-sensitive, and only with both slashes.
    EXPECT_EQ(p.asked, (QStringList{"/media/u/private", "/media/Private/X", "/media/privateer/Y"}));
    EXPECT_EQ(ids(rows), (QStringList{"private", "X", "Y"}));
}

TEST(Reload, UnmountedDevicesFollowWithoutRepeatingAListedDevice)
{
    FakePlatform p;
    p.removable = {QStringLiteral("/media/u/CARD")};
    p.infos[QStringLiteral("/media/u/CARD")] = volume(QStringLiteral("sdc1"));
    p.unmounted = {volume(QStringLiteral("sdc"), QString()), volume(QStringLiteral("sdc1")),
                   volume(QStringLiteral("sdd")), volume(QStringLiteral("sdd"))};
    EditionProfile card = EditionProfile::fromNameOrKey(QStringLiteral("memory"));
    const QList<MyDataObject> rows = Reload_Drive_list_Function(card, p);
    EXPECT_EQ(ids(rows), (QStringList{"sdc1", "sdc", "sdd"}));
    EXPECT_EQ(rows.at(1).nsStrVolName, QStringLiteral("Untitled"));
    EXPECT_EQ(p.unmountedAsks, QList<bool>{false});

    p.unmountedAsks.clear();
    Reload_Drive_list_Function(EditionProfile::fromNameOrKey(QStringLiteral("professional")), p);
    EXPECT_EQ(p.unmountedAsks, QList<bool>{true});
}

// ---- the Linux platform step on recorded answers ----

QByteArray fixture(const QString& name)
{
    QFile f(QStringLiteral(OSTREL_SOURCE_DIR "/tests/media/lsblk/") + name);
    if (!f.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "fixture missing: " << name.toStdString();
    return f.readAll();
}

struct RecordedSystem {
    QStringList calls; // device asked about with --inverse, or "ALL"
    QHash<QString, std::optional<QByteArray>> answers;

    RecordedSystem()
    {
        answers[QStringLiteral("/dev/sdb1")] = fixture(QStringLiteral("usb_stick_sdb1.json"));
        answers[QStringLiteral("/dev/mmcblk0p1")] = fixture(QStringLiteral("sd_card_mmcblk0p1.json"));
        answers[QStringLiteral("/dev/nvme0n1p2")] = fixture(QStringLiteral("nvme_root.json"));
        answers[QStringLiteral("/dev/nvme0n1p1")] = std::nullopt; // the tool could not start for this one
        answers[QStringLiteral("/dev/loop0")] = fixture(QStringLiteral("loop_image.json"));
        answers[QStringLiteral("/dev/sr0")] = fixture(QStringLiteral("optical_sr0.json"));
        answers[QStringLiteral("/dev/sdh")] = fixture(QStringLiteral("usb_disk_no_partition_table.json"));
        answers[QStringLiteral("/dev/mapper/luks-0b5e2c4a")] = fixture(QStringLiteral("usb_luks_dm0.json"));
        answers[QStringLiteral("/dev/sdg1")] = fixture(QStringLiteral("usb_stick_sdb1.json"));
        answers[QStringLiteral("ALL")] = fixture(QStringLiteral("all_devices.json"));
    }

    LinuxMediaPlatform platform(const QString& emptyDir)
    {
        LinuxMediaPlatform::Locations where;
        where.mountInfo = QStringLiteral(OSTREL_SOURCE_DIR "/tests/media/mountinfo/desktop.txt");
        where.sysRoot = emptyDir;   // no sysfs: devices are known by the mount table's source
        where.udevData = emptyDir;  // no udev database
        return LinuxMediaPlatform(
            [this](const QString& program, const QStringList& args) -> std::optional<QByteArray> {
                EXPECT_EQ(program, QStringLiteral("lsblk"));
                EXPECT_TRUE(args.contains(QStringLiteral("--json")) && args.contains(QStringLiteral("--bytes")));
                const QString device = args.contains(QStringLiteral("--inverse")) ? args.last() : QStringLiteral("ALL");
                calls << device;
                return answers.value(device, QByteArray());
            },
            where);
    }
};

// The removable-media edition lists removable volumes, then unmounted
// devices (sr0 holds a CD; /private/var/media/CARD is skipped; the internal
// nvme0n1p2 is never asked about); the hard-disk edition adds internal
// volumes and free partitions (/boot/efi: the tool failed, no row; loop0 is
// asked about but is a disk image).
TEST(LinuxPlatform, EachEditionListsItsVolumesThenUnmountedDevices)
{
    const QStringList removable{"sdb1", "mmcblk0p1", "sdh", "dm-0", "sdc", "sdc1", "sdd", "mmcblk1",
                                "mmcblk1p1", "mmcblk1p5"};
    const struct {
        const char* edition;
        QStringList ids;
        QString asked, notAsked;
    } cases[] = {
        {"camera", removable, QString(), QStringLiteral("/dev/nvme0n1p2")},
        {"professional", QStringList{"nvme0n1p2"} + removable + QStringList{"nvme0n1p3"},
         QStringLiteral("/dev/loop0"), QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edition);
        QTemporaryDir empty;
        RecordedSystem system;
        LinuxMediaPlatform platform = system.platform(empty.path());
        const QList<MyDataObject> rows =
            Reload_Drive_list_Function(EditionProfile::fromNameOrKey(QString::fromLatin1(c.edition)), platform);
        EXPECT_EQ(ids(rows), c.ids);
        EXPECT_FALSE(system.calls.contains(QStringLiteral("/dev/sdg1")));
        EXPECT_TRUE(c.asked.isEmpty() || system.calls.contains(c.asked));
        EXPECT_TRUE(c.notAsked.isEmpty() || !system.calls.contains(c.notAsked));
        const MyDataObject& usb = rows.at(c.ids.indexOf("sdb1"));
        EXPECT_EQ(usb, MyDataObject(QStringLiteral("sdb1"), QStringLiteral("KINGSTON"), QStringLiteral("FAT32"),
                                    QStringLiteral("28.87  GB "), QStringLiteral("sdb"), QStringLiteral("60553216")));
        EXPECT_EQ(rows.at(c.ids.indexOf("sdh")).nsStrFileSystem, QStringLiteral("NTFS")); // mounted through FUSE
    }
}

TEST(LinuxPlatform, GarbageOrSilenceCostsOnlyThatVolume)
{
    QTemporaryDir empty;
    RecordedSystem system;
    system.answers[QStringLiteral("/dev/sdb1")] = fixture(QStringLiteral("truncated.json"));
    system.answers[QStringLiteral("/dev/mmcblk0p1")] = QByteArray();
    LinuxMediaPlatform platform = system.platform(empty.path());
    QList<MyDataObject> rows;
    getVolumeToFSGetInfo(platform, false, rows);
    EXPECT_EQ(ids(rows), (QStringList{"sdh", "dm-0"}));

    // Without the device list nothing is known to be removable, and the
    // listing still ends.
    system.answers[QStringLiteral("ALL")] = std::nullopt;
    rows.clear();
    getVolumeToFSGetInfo(platform, false, rows);
    appendUnmountedDeviceRows(platform, false, rows);
    EXPECT_TRUE(rows.isEmpty());
}

TEST(LinuxPlatform, UnknownMountPathHasAnEmptyDictionary)
{
    QTemporaryDir empty;
    RecordedSystem system;
    LinuxMediaPlatform platform = system.platform(empty.path());
    EXPECT_TRUE(platform.diskInfo(QStringLiteral("/nowhere")).isEmpty());
    EXPECT_TRUE(platform.diskInfo(QStringLiteral("/proc")).isEmpty()); // mounted, but no device
    EXPECT_TRUE(system.calls.isEmpty());
}

TEST(LinuxPlatform, OpticalMediumTypeComesFromTheUdevDatabase)
{
    QTemporaryDir dir;
    QFile udev(dir.filePath(QStringLiteral("b11:0")));
    ASSERT_TRUE(udev.open(QIODevice::WriteOnly));
    udev.write("S:cdrom\nE:ID_CDROM=1\nE:ID_CDROM_DVD=1\nE:ID_CDROM_MEDIA=1\nE:ID_CDROM_MEDIA_DVD=1\n");
    udev.close();
    RecordedSystem system;
    LinuxMediaPlatform platform = system.platform(dir.path());
    const QVariantMap info = platform.diskInfo(QStringLiteral("/media/anna/PHOTOS_2009"));
    EXPECT_EQ(info.value(diskinfo::OpticalDeviceType), QStringLiteral("DVD-ROM"));
}

// ---- this machine ----

bool run(const QString& program, const QStringList& args, QByteArray* out = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return false;
    if (out)
        *out = p.readAll().trimmed();
    return p.exitCode() == 0;
}

// A loop-attached image of each file system, mounted when the kernel can
// mount it: it must never be offered, mounted (as a "Disk Image") or not.
class RealListing : public ::testing::TestWithParam<const char*> {};

TEST_P(RealListing, LoopAttachedImageIsExcludedAsDiskImage)
{
    const QString fsType = QString::fromLatin1(GetParam());
    const QString mkfs = QStringLiteral("mkfs.") + fsType;
    if (geteuid() != 0)
        GTEST_SKIP() << "attaching a loop device needs root";
    for (const QString& tool : {QStringLiteral("losetup"), mkfs, QStringLiteral("lsblk")}) {
        if (QStandardPaths::findExecutable(tool).isEmpty() &&
            QStandardPaths::findExecutable(tool, {QStringLiteral("/sbin"), QStringLiteral("/usr/sbin")}).isEmpty())
            GTEST_SKIP() << tool.toStdString() << " is not installed";
    }
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("card.img"));
    {
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(64 * 1024 * 1024));
    }
    const QStringList mkfsArgs = fsType == QLatin1String("vfat")
                                     ? QStringList{QStringLiteral("-F"), QStringLiteral("32"), QStringLiteral("-n"),
                                                   QStringLiteral("LOOPCARD"), image}
                                     : QStringList{QStringLiteral("-q"), QStringLiteral("-L"), QStringLiteral("LOOPCARD"), image};
    QByteArray output;
    ASSERT_TRUE(run(mkfs, mkfsArgs, &output)) << output.constData();
    QByteArray loop;
    if (!run(QStringLiteral("losetup"), {QStringLiteral("--find"), QStringLiteral("--show"), image}, &loop))
        GTEST_SKIP() << "loop devices are not available here: " << loop.constData();
    const QString loopName = QString::fromLocal8Bit(loop).section(QLatin1Char('/'), -1);
    // A blank in the mount point exercises the mount table's escapes.
    const QString mountPoint = dir.filePath(QStringLiteral("loop card"));
    QDir().mkpath(mountPoint);
    const bool mounted = run(QStringLiteral("mount"), {QString::fromLocal8Bit(loop), mountPoint});

    LinuxMediaPlatform platform;
    const QList<MyDataObject> everything =
        Reload_Drive_list_Function(EditionProfile::fromNameOrKey(QStringLiteral("professional")), platform);
    const QStringList localPaths = platform.mountedLocalVolumePaths();
    const QVariantMap info = mounted ? platform.diskInfo(mountPoint) : QVariantMap();
    const QList<QVariantMap> unmounted = platform.unmountedDeviceInfos(true);

    if (mounted)
        run(QStringLiteral("umount"), {mountPoint});
    run(QStringLiteral("losetup"), {QStringLiteral("--detach"), QString::fromLocal8Bit(loop)});

    for (const MyDataObject& r : everything) {
        EXPECT_NE(r.nsStrDiskIdentifier, loopName);
        EXPECT_NE(r.nsStrParentDisk, loopName);
    }
    for (const QVariantMap& i : unmounted)
        EXPECT_NE(i.value(diskinfo::DeviceIdentifier).toString(), loopName);
    if (mounted) {
        EXPECT_TRUE(localPaths.contains(mountPoint)) << localPaths.join(QLatin1Char(',')).toStdString();
        EXPECT_EQ(info.value(diskinfo::BusProtocol).toString().toStdString(), "Disk Image");
        EXPECT_EQ(info.value(diskinfo::DeviceIdentifier).toString(), loopName);
    } else {
        std::printf("note: the kernel here cannot mount %s; %s checked as an unmounted device only\n",
                    qPrintable(fsType), qPrintable(loopName));
    }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, RealListing, ::testing::Values("vfat", "ext4"));
} // namespace
