// The wizard on the real window (offscreen): one walk forward and back per
// mode (screens, window title, the mode reset and the media listed again on
// the way back), the alerts of refused settings with the field they focus,
// the range fields and sliders, also for a medium of more than 2^31
// sectors, Refresh, and a volume label with markup shown as plain text. The
// rules behind these have their own tests in tests/wizard; this checks that
// the window applies them. The media are made-up volumes; no search runs.

#include "UiTestSupport.h"

#include "ui/ControlPanelWindow.h"
#include "ui/SectorSlider.h"
#include "ui/TableModels.h"
#include "ui/WindowTexts.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr quint64 kCardBytes = 4096ULL * 512;   // 4096 sectors
constexpr quint64 kHugeSectors = 5000000000ULL; // beyond 2^31
} // namespace

class WizardTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(dest_.isValid()); }
    void walkForwardAndBack_data();
    void walkForwardAndBack();
    void refreshListsAgainWithoutAChosenRow();
    void volumeLabelsShowAsPlainText();
    void refusedSettingsKeepTheScreenAndFocus_data();
    void refusedSettingsKeepTheScreenAndFocus();
    void typedNumbersMoveTheSliderOnlyUpToTheTotal();
    void slidersHoldSectorCountsBeyondInt();

private:
    std::unique_ptr<Harness> harness(quint64 bytes = kCardBytes, bool onMedium = false);
    QTemporaryDir dest_;
};

std::unique_ptr<Harness> WizardTest::harness(quint64 bytes, bool onMedium)
{
    HarnessConfig config;
    config.volumes = {fakeVolume(QStringLiteral("sdz1"), QStringLiteral("CARD"), bytes, QStringLiteral("sdz"))};
    // The made-up device is on no real disk; the guard is tested on its own.
    config.destinationOnMedium = [onMedium](const QString&, const QString&, const QString&, const QString&) {
        return onMedium;
    };
    auto h = makeHarness(config);
    h->dialogs->folderAnswer = dest_.path();
    h->c().controlPanel()->activateWindow();
    return h;
}

void WizardTest::walkForwardAndBack_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("title");
    QTest::newRow("photo") << 0 << "Photo Search";
    QTest::newRow("video") << 1 << "Video Search";
    QTest::newRow("raw file") << 2 << "File Search";
    QTest::newRow("audio") << 3 << "Audio File Search";
}

void WizardTest::walkForwardAndBack()
{
    QFETCH(int, mode);
    QFETCH(QString, title);
    auto h = harness();
    MyTableController& c = h->c();
    WizardDriver d(c);
    d.back(); // nothing before the first screen
    QCOMPARE(d.screen(), wizard::Screen::Medium);
    d.chooseMode(mode);
    QCOMPARE(Recovery_MODE, mode);
    d.toSettings();
    QCOMPARE(d.screen(), wizard::Screen::Settings);
    QCOMPARE(c.controlPanel()->windowTitle(), APP_LONG_NAME + " - " + title);
    QCOMPARE(d.text("_Search_Type"), wintexts::searchTypeCaption(mode));
    QCOMPARE(d.visible("_screen_settings"), mode == 0);
    QCOMPARE(d.visible("_screen_settings_Sig"), mode != 0);
    QVERIFY(!d.visible("idTableView"));
    if (mode != 0) {
        d.browse();
        d.next();
        QCOMPARE(d.screen(), wizard::Screen::FileTypes);
        QVERIFY(d.visible("idCheckTableView"));
        QCOMPARE(d.text("_help_info"), wintexts::helpFileTypes);
        d.back();
        QCOMPARE(d.screen(), wizard::Screen::Settings);
        QVERIFY(!d.visible("idCheckTableView"));
    }
    QSignalSpy reloaded(&c, &MyTableController::mediaListReloaded);
    d.back();
    QCOMPARE(d.screen(), wizard::Screen::Medium);
    QCOMPARE(Recovery_MODE, 0); // the mode starts again from photo
    QVERIFY(widget<QAbstractButton>(c, "_photo_mode_rd")->isChecked());
    QCOMPARE(c.controlPanel()->windowTitle(), APP_LONG_NAME);
    QCOMPARE(d.text("_disk_val_Sig"), wintexts::none);
    QVERIFY(!d.enabled("_back_btn"));
    QTRY_COMPARE(reloaded.count(), 1); // the media list is read again
}

void WizardTest::refreshListsAgainWithoutAChosenRow()
{
    auto h = harness();
    MyTableController& c = h->c();
    selectMediaRow(c, 0);
    QSignalSpy reloaded(&c, &MyTableController::mediaListReloaded);
    WizardDriver(c).click("_refresh_btn");
    QCOMPARE(c.mediaModel()->rowCount(), 0); // emptied at once, refilled by the listing
    QTRY_COMPARE(reloaded.count(), 1);
    QCOMPARE(c.mediaModel()->rowCount(), 1);
    WizardDriver(c).next(); // no row is chosen after a listing
    QCOMPARE(h->dialogs->messages(), QStringList{"\n" + wintexts::msgSelectMedia});
    QCOMPARE(c.screenCounter(), 0);
}

void WizardTest::volumeLabelsShowAsPlainText()
{
    // The label comes from the medium: markup in it is shown, never run.
    const QString label = QStringLiteral("<b>CARD</b><img src=\"x.png\">");
    HarnessConfig config;
    config.volumes = {fakeVolume(QStringLiteral("sdb1"), label, 1048577, QStringLiteral("sdb"))};
    auto h = makeHarness(config);
    WizardDriver(h->c()).toSettings();
    int shown = 0;
    for (QLabel* l : h->c().controlPanel()->findChildren<QLabel*>()) {
        QCOMPARE(l->textFormat(), Qt::PlainText);
        shown += l->text() == label;
    }
    QVERIFY2(shown > 0, "the volume label is shown on the settings screen");
    const QString tip = h->c().mediaModel()->data(h->c().mediaModel()->index(0, 1), Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(QStringLiteral("&lt;b&gt;CARD&lt;/b&gt;")) && !tip.contains(QStringLiteral("<img")),
             qPrintable(tip));
}

void WizardTest::refusedSettingsKeepTheScreenAndFocus_data()
{
    QTest::addColumn<bool>("browse");
    QTest::addColumn<bool>("onMedium");
    QTest::addColumn<QString>("start"); // empty: the whole medium
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("no destination") << false << false << "" << "" << wintexts::msgDestination << "_browse_path_Sig";
    QTest::newRow("on the medium") << true << true << "" << "" << wintexts::msgDestinationOnMedium
                                   << "_browse_path_Sig";
    QTest::newRow("start") << true << false << "+5" << "4096" << wintexts::msgStartSector << "_Start_slider_val_Sig";
    QTest::newRow("end") << true << false << "10" << "10" << wintexts::msgEndNotGreater << "_End_slider_val_Sig";
}

void WizardTest::refusedSettingsKeepTheScreenAndFocus()
{
    QFETCH(bool, browse);
    QFETCH(bool, onMedium);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    auto h = harness(kCardBytes, onMedium);
    MyTableController& c = h->c();
    WizardDriver d(c);
    d.chooseMode(2); // no search starts after this screen in raw-file mode
    d.toSettings();
    if (browse)
        d.browse();
    if (!start.isEmpty()) {
        d.click("_sector_range_rd_Sig");
        widget<QLineEdit>(c, "_Start_slider_val_Sig")->setText(start);
        widget<QLineEdit>(c, "_End_slider_val_Sig")->setText(end);
    }
    d.next();
    QCOMPARE(h->dialogs->messages(), QStringList{"\n" + message});
    QCOMPARE(d.screen(), wizard::Screen::Settings);
    QVERIFY(!c.searchThreadsRunning());
    QWidget* field = widgetNamed(c, qPrintable(focus));
    QTRY_VERIFY2(QApplication::focusWidget() == field,
                 qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "nothing"));
}

void WizardTest::typedNumbersMoveTheSliderOnlyUpToTheTotal()
{
    auto h = harness();
    MyTableController& c = h->c();
    WizardDriver d(c);
    d.toSettings();
    d.click("_sector_range_rd");
    auto* start = widget<QLineEdit>(c, "_Start_slider_val");
    auto* slider = widget<SectorSlider>(c, "_Start_Slider");
    start->setFocus();
    start->selectAll();
    QTest::keyClicks(start, QStringLiteral("123"));
    QCOMPARE(slider->value64(), 123);
    start->selectAll();
    QTest::keyClicks(start, QStringLiteral("5000")); // above the total: the slider stays
    QCOMPARE(slider->value64(), 500);                // "500" was still below the total
    start->selectAll();
    QTest::keyClicks(start, QStringLiteral("77x")); // the number it begins with counts
    QCOMPARE(slider->value64(), 77);
    QCOMPARE(start->text(), QStringLiteral("77x")); // the slider does not rewrite the field
    c.controlTextDidChange(widget<QLineEdit>(c, "_path")); // other fields are ignored
    QCOMPARE(slider->value64(), 77);
}

void WizardTest::slidersHoldSectorCountsBeyondInt()
{
    auto h = harness(kHugeSectors * 512);
    MyTableController& c = h->c();
    WizardDriver d(c);
    d.toSettings();
    d.click("_sector_range_rd");
    auto* startSlider = widget<SectorSlider>(c, "_Start_Slider");
    QCOMPARE(widget<SectorSlider>(c, "_End_Slider")->value64(), qint64(kHugeSectors));
    QCOMPARE(d.text("_End_slider_val"), QStringLiteral("5000000000"));
    // The user drags the start knob to the far end: the full count is written.
    startSlider->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(d.text("_Start_slider_val"), QStringLiteral("5000000000"));
    // Half way: a 64-bit position, not a clipped int.
    startSlider->setSliderPosition(startSlider->maximum() / 2);
    const qint64 half = d.text("_Start_slider_val").toLongLong();
    QVERIFY2(half > 2400000000LL && half < 2600000000LL, qPrintable(QString::number(half)));
    // Typing a large number moves the knob there, and the search takes it.
    auto* end = widget<QLineEdit>(c, "_End_slider_val");
    end->selectAll();
    QTest::keyClicks(end, QStringLiteral("4000000000"));
    QCOMPARE(widget<SectorSlider>(c, "_End_Slider")->value64(), 4000000000LL);
    QCOMPARE(c.currentSearchSettings().endSector, quint64(4000000000ULL));
    QCOMPARE(c.currentSearchSettings().sectorCount, kHugeSectors);
}

QTEST_MAIN(WizardTest)
#include "test_wizard.moc"
