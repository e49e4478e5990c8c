// Reading the kernel's mount table: octal escapes in paths, optional fields,
// malformed lines, and the choice of one mount per device (bind mounts and
// second mounts of a device are not listed again, pseudo and network file
// systems not at all). Uses the recorded table tests/media/mountinfo/desktop.txt.
#include "common/QtPrinters.h"
#include "device/MountInfo.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {
QByteArray desktopTable()
{
    QFile f(QStringLiteral(OSTREL_SOURCE_DIR "/tests/media/mountinfo/desktop.txt"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << "fixture missing";
    return f.readAll();
}

TEST(MountEscapes, OctalEscapesAreDecoded)
{
    EXPECT_EQ(unescapeMountField("/media/anna/My\\040Card"), QStringLiteral("/media/anna/My Card"));
    EXPECT_EQ(unescapeMountField("/a\\011b\\012c\\134d"), QStringLiteral("/a\tb\nc\\d"));
    // UTF-8 names arrive as raw bytes, or escaped byte by byte.
    EXPECT_EQ(unescapeMountField("/media/K\xc3\xa4se"), QStringLiteral("/media/K\u00e4se"));
    EXPECT_EQ(unescapeMountField("/media/K\\303\\244se"), QStringLiteral("/media/K\u00e4se"));
    // A backslash not followed by three octal digits stays as it is.
    EXPECT_EQ(unescapeMountField("/x\\09y\\"), QStringLiteral("/x\\09y\\"));
    EXPECT_EQ(unescapeMountField("/x\\04"), QStringLiteral("/x\\04"));
}

TEST(MountInfoParse, ReadsTheFixedFieldsAroundOptionalOnes)
{
    const QList<MountEntry> all = parseMountInfo(desktopTable());
    ASSERT_EQ(all.size(), 16);
    const MountEntry& root = all.first();
    EXPECT_EQ(root.mountId, 22);
    EXPECT_EQ(root.parentId, 1);
    EXPECT_EQ(root.major, 259);
    EXPECT_EQ(root.minor, 2);
    EXPECT_EQ(root.root, QStringLiteral("/"));
    EXPECT_EQ(root.mountPoint, QStringLiteral("/"));
    EXPECT_EQ(root.fsType, QStringLiteral("ext4"));
    EXPECT_EQ(root.source, QStringLiteral("/dev/nvme0n1p2"));

    const MountEntry& bind = all.at(10);
    EXPECT_EQ(bind.root, QStringLiteral("/DCIM"));
    EXPECT_EQ(bind.mountPoint, QStringLiteral("/home/anna/Camera Roll"));
}

TEST(MountInfoParse, LinesWithoutTheSeparatorOrFieldsAreSkipped)
{
    const QByteArray text = "garbage\n"
                            "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
                            "37 35 x:0 / /bad rw - ext4 /dev/sda1 rw\n"
                            "38 35 8:1 / /nodash rw shared:1 ext4 /dev/sda1 rw\n"
                            "39 35 8:2 / /ok rw shared:1 master:2 propagate_from:3 - vfat /dev/sda2 rw\n"
                            "\n";
    const QList<MountEntry> all = parseMountInfo(text);
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].mountPoint, QStringLiteral("/mnt2"));
    EXPECT_EQ(all[0].source, QStringLiteral("/dev/root"));
    EXPECT_EQ(all[1].mountPoint, QStringLiteral("/ok"));
    EXPECT_EQ(all[1].fsType, QStringLiteral("vfat"));
}

TEST(VolumeMounts, OneMountPerBlockDeviceInTableOrder)
{
    const QList<MountEntry> volumes = volumeMounts(parseMountInfo(desktopTable()));
    QStringList points;
    for (const MountEntry& m : volumes)
        points << m.mountPoint;
    EXPECT_EQ(points, (QStringList{"/", "/boot/efi", "/mnt/cardcopy", "/media/anna/KINGSTON", "/media/anna/3A5B-1C2D",
                                   "/media/anna/PHOTOS_2009", "/media/anna/BACKUP", "/media/anna/secret",
                                   "/private/var/media/CARD"}));
}

TEST(VolumeMounts, WholeFileSystemMountWinsOverAnEarlierBindMount)
{
    const QByteArray text = "50 22 8:17 /DCIM /home/anna/photos rw - vfat /dev/sdb1 rw\n"
                            "51 22 8:17 / /media/anna/CARD rw - vfat /dev/sdb1 rw\n"
                            "52 22 8:17 / /media/anna/CARD2 rw - vfat /dev/sdb1 rw\n";
    const QList<MountEntry> volumes = volumeMounts(parseMountInfo(text));
    ASSERT_EQ(volumes.size(), 1);
    EXPECT_EQ(volumes[0].mountPoint, QStringLiteral("/media/anna/CARD"));
}

TEST(VolumeMounts, AnonymousDeviceNumbersAreToldApartBySource)
{
    // btrfs gives every subvolume mount its own anonymous 0:n number.
    const QByteArray text = "60 1 0:31 /@ / rw - btrfs /dev/sda2 rw,subvol=/@\n"
                            "61 60 0:31 /@home /home rw - btrfs /dev/sda2 rw,subvol=/@home\n"
                            "62 60 0:45 / /media/usb rw - btrfs /dev/sdc1 rw\n"
                            "63 60 0:46 / /mnt/nfs rw - nfs4 server:/export rw\n"
                            "64 60 0:47 / /tmp rw - tmpfs tmpfs rw\n";
    const QList<MountEntry> volumes = volumeMounts(parseMountInfo(text));
    ASSERT_EQ(volumes.size(), 2);
    EXPECT_EQ(volumes[0].mountPoint, QStringLiteral("/"));
    EXPECT_EQ(volumes[1].mountPoint, QStringLiteral("/media/usb"));
}
} // namespace
