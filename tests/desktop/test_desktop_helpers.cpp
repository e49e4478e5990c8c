// The desktop helpers of the window library, without a window: thumbnails of
// every picture type the photo tables carry (through the picture helper,
// which is killed when it hangs), hostile pictures that cost only their
// thumbnail, and a file the desktop cannot open (the user is told where it
// is). Needs tests/material and the built picture helper beside the test;
// no root, no xdg-open.

#include "app/InvokingUser.h"
#include "ui/DesktopOpener.h"
#include "ui/PictureHelper.h"
#include "ui/ThumbnailCache.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {
QString material(const QString& name)
{
    return QStringLiteral(OSTREL_SOURCE_DIR "/tests/material/") + name;
}

// A helper that runs `script` instead of answering.
QString hangingHelper(const QTemporaryDir& dir, const QByteArray& script)
{
    const QString path = dir.filePath(QStringLiteral("hanging-helper"));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write("#!/bin/sh\n" + script + "\n");
    f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    return path;
}
} // namespace

class DesktopHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void thumbnailsOfEveryPictureType_data();
    void thumbnailsOfEveryPictureType();
    void hangingOrHostilePicturesCostOnlyTheirThumbnail();
    void aFileTheDesktopCannotOpenIsShownWithItsPath();
};

void DesktopHelpersTest::thumbnailsOfEveryPictureType_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size"); // at most 100 pixels a side
    QTest::newRow("JPEG") << QStringLiteral("photo.jpg") << QSize(100, 75);
    QTest::newRow("TIFF") << QStringLiteral("photo.tif") << QSize(100, 75);
    QTest::newRow("WebP") << QStringLiteral("pictures/photo.webp") << QSize(100, 66);
    QTest::newRow("HEIC") << QStringLiteral("pictures/photo.heic") << QSize(100, 66);
    QTest::newRow("AVIF") << QStringLiteral("pictures/photo.avif") << QSize(100, 66);
    QTest::newRow("PSD") << QStringLiteral("pictures/photo.psd") << QSize(100, 66);
    QTest::newRow("PSB") << QStringLiteral("pictures/photo.psb") << QSize(100, 66);
    QTest::newRow("PSD CMYK 16 bit") << QStringLiteral("pictures/cmyk.psd") << QSize(60, 40);
    QTest::newRow("raw, embedded preview") << QStringLiteral("pictures/photo.dng") << QSize(100, 75);
    QTest::newRow("raw, half-size decode") << QStringLiteral("pictures/raw-only.dng") << QSize(64, 48);
}

void DesktopHelpersTest::thumbnailsOfEveryPictureType()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    QVERIFY2(!pictureHelperPath().isEmpty(), "the picture helper was not built beside the tests");
    const QImage image = ThumbnailCache::decodePicture(material(file), 100);
    QVERIFY2(!image.isNull(), qPrintable(file + " gave no thumbnail"));
    QCOMPARE(image.size(), size);
    // A picture, not a blank: its colours vary.
    QVERIFY(image.pixel(0, 0) != image.pixel(image.width() - 1, image.height() - 1));
}

void DesktopHelpersTest::hangingOrHostilePicturesCostOnlyTheirThumbnail()
{
    QTemporaryDir dir;
    const QString truncated = dir.filePath(QStringLiteral("huge.psd"));
    QFile f(truncated);
    QVERIFY(f.open(QIODevice::WriteOnly));
    // A 300000 x 300000 canvas that ends after its header.
    f.write(QByteArray::fromHex("38425053000200000000000000030004 93e00004 93e0 0008 0003 00000000"));
    f.close();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(ThumbnailCache::decodePicture(truncated, 100).isNull());
    // One that never answers, and one that closes its output and hangs.
    for (const QByteArray& hang : {QByteArray("exec sleep 30"), QByteArray("exec sleep 30 >/dev/null")})
        QVERIFY(decodeInHelper(hangingHelper(dir, hang), material(QStringLiteral("pictures/photo.heic")),
                               PictureKind::Heif, 100, 500)
                    .isNull());
    QVERIFY2(clock.elapsed() < 10000, "a hanging helper was waited for");
}

void DesktopHelpersTest::aFileTheDesktopCannotOpenIsShownWithItsPath()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("GND00001.JPG"));
    QFile(file).open(QIODevice::WriteOnly);
    OpenerSetup setup;
    setup.user = InvokingUser::current();
    setup.opener = dir.filePath(QStringLiteral("xdg-open"));
    QFile opener(setup.opener);
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\nexit 3\n"); // xdg-open: no program for the type
    opener.close();
    opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    QString why;
    QString late;
    QVERIFY(openForUser(QUrl::fromLocalFile(file), setup, [&late](const QString& reason) { late = reason; }, &why));
    QTRY_VERIFY_WITH_TIMEOUT(!late.isEmpty(), 10000);
    const QString text = cannotOpenText(QUrl::fromLocalFile(file), late);
    QVERIFY2(text.contains(QStringLiteral("no program to open it")), qPrintable(text));
    QVERIFY2(text.contains(file), qPrintable(text));

    setup.opener.clear(); // xdg-open not installed
    QVERIFY(!openForUser(QUrl::fromLocalFile(file), setup, {}, &why));
    QVERIFY2(why.contains(QStringLiteral("xdg-utils")), qPrintable(why));
}

QTEST_GUILESS_MAIN(DesktopHelpersTest)
#include "test_desktop_helpers.moc"
