// The check that refuses a destination on the medium being searched, on a
// made-up /sys tree and mount table built in a scratch folder: partitions
// and their whole disk, another disk, a device-mapper volume over a
// partition, a loop device backed by a file, a file system found through the
// mount table (anonymous device number), a file system on no block device,
// and a disk image as the medium. Plus one look at this machine: a folder is
// on the medium that holds it. No root needed.

#include "device/DestinationGuard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace destguard;

class DestinationGuardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void refusedWhenTheMediumHoldsTheDestination_data();
    void refusedWhenTheMediumHoldsTheDestination();
    void devicesBehindADestination();
    void loopDeviceBackedByAFileOnTheMedium();
    void loopDeviceMediumLeavesTheDiskOfItsFileFree();
    void anonymousDeviceNumberGoesThroughTheMountTable();
    void fileSystemOnNoBlockDeviceIsAccepted();
    void missingDestinationUsesItsNearestParent();
    void thisMachine();

private:
    // Adds a block device folder under devices/ with a class/block link and a
    // dev/block/MAJ:MIN link. `parent` empty: a whole disk.
    void addDevice(const QString& name, const QString& parent, int major, int minor);
    SystemFiles files(unsigned major, unsigned minor, const QString& mountInfo = QString());
    QTemporaryDir root_;
    QString sys_;
};

void DestinationGuardTest::addDevice(const QString& name, const QString& parent, int major, int minor)
{
    const QString base = parent.isEmpty() ? sys_ + "/devices/pci0/block/" + name
                                          : sys_ + "/devices/pci0/block/" + parent + "/" + name;
    QVERIFY(QDir().mkpath(base));
    if (!parent.isEmpty()) {
        QFile partition(base + "/partition");
        QVERIFY(partition.open(QIODevice::WriteOnly));
        partition.write("1\n");
    }
    QVERIFY(QFile::link(base, sys_ + "/class/block/" + name));
    QVERIFY(QFile::link(base, sys_ + QStringLiteral("/dev/block/%1:%2").arg(major).arg(minor)));
}

void DestinationGuardTest::initTestCase()
{
    QVERIFY(root_.isValid());
    sys_ = root_.filePath("sys");
    QVERIFY(QDir().mkpath(sys_ + "/class/block"));
    QVERIFY(QDir().mkpath(sys_ + "/dev/block"));
    addDevice("sda", QString(), 8, 0);
    addDevice("sda1", "sda", 8, 1);
    addDevice("sda2", "sda", 8, 2);
    addDevice("sdb", QString(), 8, 16);
    addDevice("sdb1", "sdb", 8, 17);
    addDevice("sdb2", "sdb", 8, 18);
    // dm-0 is built on sdb2.
    const QString dm = sys_ + "/devices/virtual/block/dm-0";
    QVERIFY(QDir().mkpath(dm + "/slaves"));
    QVERIFY(QFile::link(sys_ + "/devices/pci0/block/sdb/sdb2", dm + "/slaves/sdb2"));
    QVERIFY(QFile::link(dm, sys_ + "/class/block/dm-0"));
    QVERIFY(QFile::link(dm, sys_ + "/dev/block/254:0"));
    // loop0 is backed by a file on whatever device `files()` says the file is on.
    const QString loop = sys_ + "/devices/virtual/block/loop0";
    QVERIFY(QDir().mkpath(loop + "/loop"));
    QFile backing(loop + "/loop/backing_file");
    QVERIFY(backing.open(QIODevice::WriteOnly));
    backing.write(root_.filePath("disk.img").toLocal8Bit() + "\n");
    QVERIFY(QFile::link(loop, sys_ + "/class/block/loop0"));
    QVERIFY(QFile::link(loop, sys_ + "/dev/block/7:0"));
}

SystemFiles DestinationGuardTest::files(unsigned major, unsigned minor, const QString& mountInfo)
{
    SystemFiles f;
    f.sysRoot = sys_;
    f.mountInfo = root_.filePath("mountinfo");
    QFile table(f.mountInfo);
    table.open(QIODevice::WriteOnly | QIODevice::Truncate);
    table.write(mountInfo.toUtf8());
    table.close();
    // Every path examined lies on (major, minor).
    f.deviceOfPath = [major, minor](const QString&, unsigned* maj, unsigned* min) {
        *maj = major;
        *min = minor;
        return true;
    };
    f.blockDeviceNumber = [](const QString& path, unsigned* maj, unsigned* min) {
        if (path == QLatin1String("/dev/sdb1")) {
            *maj = 8;
            *min = 17;
            return true;
        }
        return false;
    };
    return f;
}

// (device the destination lies on) x (medium searched) -> refused?
void DestinationGuardTest::refusedWhenTheMediumHoldsTheDestination_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("medium");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("image");
    QTest::addColumn<bool>("refused");
    QTest::newRow("same partition") << 8 << 17 << "sdb1" << "sdb" << QString() << true;
    QTest::newRow("other partition of the same disk") << 8 << 18 << "sdb1" << "sdb" << QString() << true;
    QTest::newRow("other disk") << 8 << 1 << "sdb1" << "sdb" << QString() << false;
    QTest::newRow("whole disk covers its partitions") << 8 << 17 << "sdb" << "sdb" << QString() << true;
    QTest::newRow("whole disk, other disk") << 8 << 2 << "sdb" << "sdb" << QString() << false;
    QTest::newRow("device mapper volume on the medium") << 254 << 0 << "sdb1" << "sdb" << QString() << true;
    QTest::newRow("device mapper volume elsewhere") << 254 << 0 << "sda1" << "sda" << QString() << false;
    // Reading an image and writing next to it on the same disk is fine: the
    // image's bytes are not overwritten by new files ...
    QTest::newRow("image file") << 8 << 17 << "card.img" << "image" << "disk.img" << false;
    // ... but an image path that is a block device counts as that device.
    QTest::newRow("image path naming a device") << 8 << 18 << "card" << "image" << "/dev/sdb1" << true;
}

void DestinationGuardTest::refusedWhenTheMediumHoldsTheDestination()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, medium);
    QFETCH(QString, parent);
    QFETCH(QString, image);
    QFETCH(bool, refused);
    const QString imagePath = image.isEmpty() || image.startsWith(u'/') ? image : root_.filePath(image);
    QCOMPARE(destinationOnMedium(root_.path(), medium, parent, imagePath, files(major, minor)), refused);
}

void DestinationGuardTest::devicesBehindADestination()
{
    QCOMPARE(blockDevicesBehind(root_.path(), files(8, 17)), (QStringList{"sdb", "sdb1"}));
    QCOMPARE(blockDevicesBehind(root_.path(), files(254, 0)), (QStringList{"dm-0", "sdb", "sdb2"}));
    QCOMPARE(mediumDevices("sdb1", "sdb", QString(), files(8, 1)), (QStringList{"sdb", "sdb1"}));
}

void DestinationGuardTest::loopDeviceBackedByAFileOnTheMedium()
{
    // The destination is on loop0, whose backing file lies on sdb1.
    SystemFiles f = files(7, 0);
    QFile(root_.filePath("disk.img")).open(QIODevice::WriteOnly);
    const QString image = QFileInfo(root_.filePath("disk.img")).canonicalFilePath();
    f.deviceOfPath = [image](const QString& path, unsigned* maj, unsigned* min) {
        const bool isImage = path == image;
        *maj = isImage ? 8 : 7;
        *min = isImage ? 17 : 0;
        return true;
    };
    const QString dest = root_.filePath("mounted-image");
    QVERIFY(QDir().mkpath(dest));
    QCOMPARE(blockDevicesBehind(dest, f), (QStringList{"loop0", "sdb", "sdb1"}));
    QVERIFY(destinationOnMedium(dest, "sdb1", "sdb", QString(), f));
    QVERIFY(!destinationOnMedium(dest, "sda1", "sda", QString(), f));
}

void DestinationGuardTest::loopDeviceMediumLeavesTheDiskOfItsFileFree()
{
    // Searching loop0, an image file lying on sdb1: new files on sdb1 go
    // beside the image and never into it.
    SystemFiles f = files(8, 17);
    QFile(root_.filePath("disk.img")).open(QIODevice::WriteOnly);
    QVERIFY(!destinationOnMedium(root_.path(), "loop0", QString(), QString(), f));
    QVERIFY(destinationOnMedium(root_.path(), "sdb1", "sdb", QString(), f));
}

void DestinationGuardTest::anonymousDeviceNumberGoesThroughTheMountTable()
{
    // A btrfs-like file system: device number 0:45, mounted from /dev/sdb1.
    const QString mount = QDir(root_.path()).canonicalPath();
    const QString table = QStringLiteral("22 1 0:45 / %1 rw,relatime - btrfs /dev/sdb1 rw\n").arg(mount);
    const SystemFiles f = files(0, 45, table);
    QCOMPARE(blockDevicesBehind(root_.path(), f), (QStringList{"sdb", "sdb1"}));
    QVERIFY(destinationOnMedium(root_.path(), "sdb2", "sdb", QString(), f));
}

void DestinationGuardTest::fileSystemOnNoBlockDeviceIsAccepted()
{
    const QString mount = QDir(root_.path()).canonicalPath();
    const QString table = QStringLiteral("22 1 0:46 / %1 rw - tmpfs tmpfs rw\n").arg(mount);
    const SystemFiles f = files(0, 46, table);
    QVERIFY(blockDevicesBehind(root_.path(), f).isEmpty());
    QVERIFY(!destinationOnMedium(root_.path(), "sdb1", "sdb", QString(), f));
}

void DestinationGuardTest::missingDestinationUsesItsNearestParent()
{
    QStringList asked;
    SystemFiles f = files(8, 17);
    f.deviceOfPath = [&asked](const QString& path, unsigned* maj, unsigned* min) {
        asked << path;
        *maj = 8;
        *min = 17;
        return true;
    };
    QVERIFY(destinationOnMedium(root_.filePath("not/yet/there"), "sdb1", "sdb", QString(), f));
    QCOMPARE(asked, QStringList{QDir(root_.path()).canonicalPath()});
}

void DestinationGuardTest::thisMachine()
{
    // The real /sys and mount table: a folder is on the disk that holds it.
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(root_.path()).constData(), &st) == 0);
    const QStringList behind = blockDevicesBehind(root_.path(), systemFiles());
    if (behind.isEmpty())
        QSKIP("the scratch folder is on no block device here (tmpfs or overlay)");
    for (const QString& name : behind)
        QVERIFY2(destinationOnMedium(root_.path(), name, QString(), QString()), qPrintable(name));
    QVERIFY(!destinationOnMedium(root_.path(), "ostrel-no-such-disk", QString(), QString()));
}

QTEST_MAIN(DestinationGuardTest)
#include "test_destination_guard.moc"
