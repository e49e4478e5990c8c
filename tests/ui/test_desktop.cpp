// The window on a desktop as a new user meets it: a found file with sound
// previewed by the real player when no audio output exists (offscreen, no
// sound server: it must play silently, never crash), the exit question asked
// once, every screen usable at 1280x650 and 1366x700 (what 1280x720 and
// 1366x768 leave under a panel and a title bar) with every button whole, the
// hint of an empty media list, thumbnails of every picture type the photo
// tables carry (through the picture helper, which is killed when it hangs),
// and a file the desktop cannot open (the user is told where it is). Needs
// the shipped resources, tests/material and the built picture helper; no
// root, no sound server, no xdg-open.

#include "UiTestSupport.h"

#include "engine/EngineTexts.h"
#include "ui/ControlPanelWindow.h"
#include "ui/DesktopOpener.h"
#include "ui/MediaControls.h"
#include "ui/PictureHelper.h"
#include "ui/PreviewMedia.h"
#include "ui/ThumbnailCache.h"
#include "ui/WindowTexts.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QSlider>
#include <QToolButton>

namespace {
QString material(const QString& name)
{
    return QStringLiteral(OSTREL_SOURCE_DIR "/tests/material/") + name;
}

// Every named button shown on `window` lies inside it and has at least the
// size it asks for (nothing clipped).
void checkButtonsFit(QWidget* window, const QString& state)
{
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->objectName().startsWith(QLatin1Char('_')) || !b->isVisibleTo(window))
            continue;
        const QRect at(b->mapTo(window, QPoint(0, 0)), b->size());
        const QString where = state + QStringLiteral(": ") + b->objectName();
        QVERIFY2(window->rect().contains(at), qPrintable(where + QStringLiteral(" lies outside the window: %1,%2 %3x%4 in %5x%6").arg(at.x()).arg(at.y()).arg(at.width()).arg(at.height()).arg(window->width()).arg(window->height())));
        QVERIFY2(b->width() >= b->minimumSizeHint().width() && b->height() >= b->minimumSizeHint().height(),
                 qPrintable(where + " is clipped"));
    }
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

class DesktopTest : public QObject {
    Q_OBJECT
public:
    // The window program's media backend (see app/main.cpp).
    static void initMain() { qputenv("QT_MEDIA_BACKEND", "ffmpeg"); }

private slots:
    void soundPreviewsWithoutAnAudioOutput();
    void exitAsksOnce();
    void everyScreenFitsSmallScreens();
    void emptyMediaListSaysWhatToDo();
    void thumbnailsOfEveryPictureType_data();
    void thumbnailsOfEveryPictureType();
    void hangingOrHostilePicturesCostOnlyTheirThumbnail();
    void aFileTheDesktopCannotOpenIsShownWithItsPath();
};

void DesktopTest::soundPreviewsWithoutAnAudioOutput()
{
    HarnessConfig config;
    config.previewMedia = [](QVideoWidget* view, QObject* parent) { return new PlayerPreviewMedia(view, 10000, parent); };
    auto h = makeHarness(config);
    MyTableController& c = h->c();
    Recovery_MODE = 3;
    c.show_hide_4_screen_RawFile(false);
    QSignalSpy finished(&c, &MyTableController::previewFinished);
    c.CreateFile_QuickLook_View({material(QStringLiteral("tone.mp3"))});
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QCOMPARE(finished.at(0).at(1).toInt(), static_cast<int>(PreviewKind::Movie));
    QCOMPARE(c.previewMedia()->hasSoundOutput(), !QMediaDevices::audioOutputs().isEmpty());
    // Sound alone: the type icon, not an empty movie view, and the controls.
    QVERIFY(!widgetNamed(c, "mMovieView")->isVisible());
    QVERIFY(!widget<QLabel>(c, "_QuickLook_View")->pixmap().isNull());
    MediaControls* controls = c.mediaControls();
    QVERIFY(controls->isVisible());
    QTRY_VERIFY2_WITH_TIMEOUT(controls->timeLabel()->text().endsWith(QStringLiteral("/ 0:03")), qPrintable(controls->timeLabel()->text()), 10000);
    QCOMPARE(controls->volume()->isEnabled(), c.previewMedia()->hasSoundOutput());
    // Pause and play again; seek to the middle; the window lives on.
    QTRY_VERIFY_WITH_TIMEOUT(c.previewMedia()->isPlaying(), 5000);
    controls->playButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!c.previewMedia()->isPlaying(), 5000);
    c.previewMedia()->seek(1500);
    controls->playButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(c.previewMedia()->isPlaying(), 5000);
    QTest::qWait(300);
    c.closemovie_Win();
    QVERIFY(!controls->isVisible());
}

void DesktopTest::exitAsksOnce()
{
    auto h = makeHarness();
    MyTableController& c = h->c();
    h->dialogs->answer = [](const AlertText&) { return 0; }; // "Yes"
    WizardDriver(c).click("_exit_btn");
    QCOMPARE(h->dialogs->alerts.size(), 1);
    QCOMPARE(h->terminated.load(), 1);
    // Ending the application closes the window: no second question.
    QVERIFY(c.controlPanel()->close());
    QCOMPARE(h->dialogs->alerts.size(), 1);
    QCOMPARE(h->terminated.load(), 1);
}

void DesktopTest::everyScreenFitsSmallScreens()
{
    QTemporaryDir dir;
    DiskImage image(dir.filePath(QStringLiteral("card.img")), 4096);
    HarnessConfig config;
    config.samples = {SampleMedium{image.path(), QString(), QString()}};
    auto h = makeHarness(config);
    MyTableController& c = h->c();
    QMainWindow* window = c.controlPanel();
    window->showNormal();

    const QList<std::pair<QString, std::function<void()>>> states = {
        {QStringLiteral("storage media"), [] {}},
        {QStringLiteral("photo settings with a sector range"),
         [&] {
             selectMediaRow(c, 0);
             c.Next_btn();
             c.Sector_Range_Radio();
         }},
        {QStringLiteral("file settings with a sector range"),
         [&] {
             c.Back_btn(); // lists the media again
             QVERIFY(QTest::qWaitFor([&c] { return !c.mediaListLoading(); }, 10000));
             c.Video_Mode_Radio();
             selectMediaRow(c, 0);
             c.Next_btn();
             c.Sector_Range_Radio_Sig();
         }},
        {QStringLiteral("file types"),
         [&] {
             c.show_hide_2_screen(true);
             c.show_hide_3_screen_RawFile(false);
         }},
        {QStringLiteral("file results with the player"),
         [&] {
             c.show_hide_3_screen_RawFile(true);
             c.show_hide_4_screen_RawFile(false);
             c.mediaControls()->show();
             widgetNamed(c, "_open_folder_Sig")->show();
         }},
        {QStringLiteral("photo results"),
         [&] {
             c.show_hide_4_screen_RawFile(true);
             Recovery_MODE = 0;
             c.show_hide_3_screen_Photo(false);
             widgetNamed(c, "_zoom_slider")->show();
             widgetNamed(c, "_open_folder")->show();
         }},
        {QStringLiteral("photo search with its longest progress texts"),
         [&] {
             widget<QLabel>(c, "_Mode_label")->setText(texts::thoroughPassLabel);
             widget<QLabel>(c, "_sector_label")->setText(sectorLabelText(1234567890, 0, 1953525168, 1953525168));
             widget<QLabel>(c, "_ClearThumbnail_Label")->setText(texts::photoClearNotice);
             widgetNamed(c, "_ClearThumbnail_Label")->show();
         }},
    };
    for (const auto& [name, enter] : states) {
        enter();
        QVERIFY2(h->dialogs->alerts.isEmpty(), qPrintable(name + ": " + h->dialogs->messages().join(' ')));
        for (const QSize size : {QSize(1280, 650), QSize(1366, 700)}) {
            window->resize(size);
            QCoreApplication::processEvents();
            QVERIFY2(window->size() == size,
                     qPrintable(name + QStringLiteral(": the window needs at least %1x%2")
                                           .arg(window->minimumSizeHint().width())
                                           .arg(window->minimumSizeHint().height())));
            checkButtonsFit(window, name);
        }
    }
}

void DesktopTest::emptyMediaListSaysWhatToDo()
{
    auto empty = makeHarness();
    QLabel* hint = empty->c().emptyMediaHint();
    QVERIFY(hint->isVisible());
    QCOMPARE(hint->text(), wintexts::noMediaHint);
    QVERIFY(hint->text().contains(QStringLiteral("Insert the card or drive, then Refresh list")));
    QVERIFY(hint->width() > 0);

    HarnessConfig config;
    config.volumes = {fakeVolume(QStringLiteral("sdb1"), QStringLiteral("CARD"), 1 << 20)};
    auto listed = makeHarness(config);
    QVERIFY(!listed->c().emptyMediaHint()->isVisible());
}

void DesktopTest::thumbnailsOfEveryPictureType_data()
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

void DesktopTest::thumbnailsOfEveryPictureType()
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

void DesktopTest::hangingOrHostilePicturesCostOnlyTheirThumbnail()
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

void DesktopTest::aFileTheDesktopCannotOpenIsShownWithItsPath()
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

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
