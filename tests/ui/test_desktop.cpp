// The window on a desktop as a new user meets it: a found file with sound
// previewed by the real player when no audio output exists (offscreen, no
// sound server: it must play silently, never crash), the exit question asked
// once, and every screen usable at 1280x650 and 1366x700 (what 1280x720 and
// 1366x768 leave under a panel and a title bar) with every button whole.
// Needs the shipped resources and tests/material; no root, no sound server.

#include "UiTestSupport.h"

#include "engine/EngineTexts.h"
#include "ui/ControlPanelWindow.h"
#include "ui/MediaControls.h"
#include "ui/PreviewMedia.h"

#include <QAbstractButton>
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

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
