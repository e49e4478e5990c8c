// The wizard on the real window (offscreen): every screen forward and back
// in photo and in the other modes, the window title, every validation
// message of the settings screen with the focus it leaves, the range fields
// and sliders (also for a medium of more than 2^31 sectors), the destination
// shared by both control sets, the refusal of a destination on the searched
// medium, and the results-folder button. The media are made-up volumes; no
// search reads them here.

#include "UiTestSupport.h"

#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/SectorSlider.h"
#include "ui/TableModels.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr quint64 kCardBytes = 4096ULL * 512; // 4096 sectors
constexpr quint64 kHugeSectors = 5000000000ULL; // beyond 2^31
} // namespace

class WizardTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void photoModeForwardAndBack();
    void otherModesForwardAndBack_data();
    void otherModesForwardAndBack();
    void nextWithoutMediaAsksForOne();
    void settingsScreenStartsFresh();
    void emptyDestinationIsRefused();
    void destinationOnTheSearchedMediumIsRefused();
    void destinationFillsBothSets();
    void rangeValidation_data();
    void rangeValidation();
    void wholeMediumSkipsTheRangeChecks();
    void rangeRadioResetsSlidersAndFields();
    void typedNumbersMoveTheSliderOnlyUpToTheTotal();
    void slidersHoldSectorCountsBeyondInt();
    void backFromSettingsResetsModeAndValues();
    void resultsFolderButton();

private:
    std::unique_ptr<Harness> harness(quint64 bytes = kCardBytes);
    // Medium screen -> settings screen with row 0 in the current mode.
    void toSettings(Harness& h);
    void waitForFocus(QWidget* widget);
    QTemporaryDir dest_;
};

void WizardTest::init()
{
    QVERIFY(dest_.isValid());
}

std::unique_ptr<Harness> WizardTest::harness(quint64 bytes)
{
    HarnessConfig config;
    config.volumes = {fakeVolume(QStringLiteral("sdz1"), QStringLiteral("CARD"), bytes, QStringLiteral("sdz"))};
    // The made-up device is on no real disk; the guard is tested on its own.
    config.destinationOnMedium = [](const QString&, const QString&, const QString&, const QString&) { return false; };
    auto h = makeHarness(config);
    h->dialogs->folderAnswer = dest_.path();
    h->c().controlPanel()->activateWindow();
    return h;
}

void WizardTest::toSettings(Harness& h)
{
    selectMediaRow(h.c(), 0);
    h.c().widgets()->_next_btn->click();
    QCOMPARE(h.c().screenCounter(), 1);
}

void WizardTest::waitForFocus(QWidget* widget)
{
    QTRY_VERIFY2(widget->hasFocus() || QApplication::focusWidget() == widget,
                 qPrintable(QStringLiteral("focus is on %1").arg(QApplication::focusWidget()
                                                                     ? QApplication::focusWidget()->objectName()
                                                                     : QStringLiteral("nothing"))));
}

void WizardTest::photoModeForwardAndBack()
{
    auto h = harness();
    MyTableController& c = h->c();
    Ui::MainWindow* w = c.widgets();
    toSettings(*h);
    QVERIFY(w->_screen_settings->isVisible());
    QVERIFY(!w->_screen_settings_Sig->isVisible());
    QVERIFY(!w->idTableView->isVisible());
    QVERIFY(w->_back_btn->isEnabled());
    QCOMPARE(c.controlPanel()->windowTitle(), QStringLiteral("Ostrel USB Media Data Recovery Software - Photo Search"));
    QCOMPARE(w->_Search_Type->text(), QStringLiteral("Search Type : Recover Photo"));
    QVERIFY(w->_Search_Type->isVisible());
    QCOMPARE(w->_help_info->text(), wintexts::helpEntireDisk);

    // Back to the medium screen.
    w->_back_btn->click();
    QCOMPARE(c.screenCounter(), 0);
    QVERIFY(w->idTableView->isVisible());
    QVERIFY(!w->_screen_settings->isVisible());
    QVERIFY(!w->_Search_Type->isVisible());
    QVERIFY(!w->_back_btn->isEnabled());
    QCOMPARE(c.controlPanel()->windowTitle(), QStringLiteral("Ostrel USB Media Data Recovery Software"));
    QCOMPARE(w->_help_info->text(), wintexts::helpMedium);
    // Back on the first screen does nothing.
    c.Back_btn();
    QCOMPARE(c.screenCounter(), 0);
    QVERIFY(w->idTableView->isVisible());
}

void WizardTest::otherModesForwardAndBack_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("caption");
    QTest::newRow("video") << 1 << "Video Search" << "Search Type : Recover Video";
    QTest::newRow("raw file") << 2 << "File Search" << "Search Type : Recover Raw File";
    QTest::newRow("audio") << 3 << "Audio File Search" << "Search Type : Audio File";
}

void WizardTest::otherModesForwardAndBack()
{
    QFETCH(int, mode);
    QFETCH(QString, title);
    QFETCH(QString, caption);
    auto h = harness();
    MyTableController& c = h->c();
    Ui::MainWindow* w = c.widgets();
    QRadioButton* radios[] = {w->_photo_mode_rd, w->_video_mode_rd, w->_rawfile_mode_rd, w->_audio_mode_rd};
    radios[mode]->click();
    QCOMPARE(Recovery_MODE, mode);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(radios[i]->isChecked(), i == mode);
    toSettings(*h);
    QVERIFY(w->_screen_settings_Sig->isVisible());
    QVERIFY(!w->_screen_settings->isVisible());
    QCOMPARE(c.controlPanel()->windowTitle(), APP_LONG_NAME + " - " + title);
    QCOMPARE(w->_Search_Type->text(), caption);

    // Settings -> file types.
    w->_browse_path_Sig->click();
    w->_next_btn->click();
    QCOMPARE(c.screenCounter(), 2);
    QVERIFY(w->_screen_file_types->isVisible());
    QVERIFY(w->idCheckTableView->isVisible());
    QVERIFY(!w->_screen_settings_Sig->isVisible());
    QVERIFY(w->_Thro_Mode_Chk_SIG->isChecked());
    QVERIFY(w->_select_unselect_Chk->isChecked());
    QVERIFY(c.checkListModel()->rowCount() > 0);
    QCOMPARE(w->_help_info->text(), wintexts::helpFileTypes);
    QVERIFY(w->_next_btn->isEnabled());
    QVERIFY(w->_back_btn->isEnabled());

    // File types -> settings -> file types -> back to the medium screen.
    w->_back_btn->click();
    QCOMPARE(c.screenCounter(), 1);
    QVERIFY(w->_screen_settings_Sig->isVisible());
    QVERIFY(!w->_screen_file_types->isVisible());
    QCOMPARE(w->_help_info->text(), wintexts::helpEntireDisk);
    w->_next_btn->click();
    QCOMPARE(c.screenCounter(), 2);
    w->_back_btn->click();
    w->_back_btn->click();
    QCOMPARE(c.screenCounter(), 0);
    QCOMPARE(Recovery_MODE, 0);
    QVERIFY(w->_photo_mode_rd->isChecked());
    QVERIFY(!radios[mode]->isChecked());
    QVERIFY(!w->_screen_settings_Sig->isVisible());
    // The mode was reset: the next Next enters the photo settings.
    QTRY_VERIFY(!c.mediaListLoading());
    toSettings(*h);
    QVERIFY(w->_screen_settings->isVisible());
}

void WizardTest::nextWithoutMediaAsksForOne()
{
    HarnessConfig config; // no media at all
    auto h = makeHarness(config);
    h->c().widgets()->_next_btn->click();
    QCOMPARE(h->dialogs->messages(), QStringList{"\nPlease select a storage media from list."});
    QCOMPARE(h->dialogs->alerts.first().buttons, QStringList{"OK"});
    QCOMPARE(h->c().screenCounter(), 0);
}

void WizardTest::settingsScreenStartsFresh()
{
    auto h = harness();
    MyTableController& c = h->c();
    Ui::MainWindow* w = c.widgets();
    toSettings(*h);
    QCOMPARE(w->_disk_identifier->text(), QStringLiteral("sdz1"));
    QCOMPARE(w->_sectors_val->text(), QStringLiteral("4096"));
    QCOMPARE(w->_disk_val->text(), QStringLiteral("sdz1"));
    QCOMPARE(w->_vol_name_val->text(), QStringLiteral("CARD"));
    QCOMPARE(w->_file_system_val->text(), QStringLiteral("FAT32"));
    QCOMPARE(w->_size_val->text(), QStringLiteral("2.00  MB "));
    QCOMPARE(w->_start_sector_entire_val->text(), QStringLiteral("0"));
    QCOMPARE(w->_end_sector_entire_val->text(), QStringLiteral("4096"));
    QVERIFY(w->_entire_disk_rd->isChecked());
    QVERIFY(w->_summary_block->isVisible());
    QVERIFY(!w->_range_block->isVisible());
    // Change everything, go back and forward again: all fresh.
    w->_Thro_Mode_Chk->setChecked(false);
    w->_browse_path->click();
    w->_sector_range_rd->click();
    w->_Start_Slider->setValue64(100);
    w->_back_btn->click();
    QTRY_VERIFY(!c.mediaListLoading());
    toSettings(*h);
    QVERIFY(w->_path->text().isEmpty());
    QVERIFY(w->_entire_disk_rd->isChecked());
    QVERIFY(!w->_sector_range_rd->isChecked());
    QVERIFY(w->_Thro_Mode_Chk->isChecked());
    QCOMPARE(w->_Start_slider_val->text(), QStringLiteral("0"));
    QCOMPARE(w->_End_slider_val->text(), QStringLiteral("4096"));
    QCOMPARE(w->_Start_Slider->value64(), 0);
    QCOMPARE(w->_End_Slider->value64(), 4096);
}

void WizardTest::emptyDestinationIsRefused()
{
    auto h = harness();
    MyTableController& c = h->c();
    toSettings(*h);
    c.widgets()->_next_btn->click();
    QCOMPARE(h->dialogs->messages(), QStringList{"\nPlease select valid destination path."});
    QCOMPARE(c.screenCounter(), 1);
    waitForFocus(c.widgets()->_browse_path);
}

void WizardTest::destinationOnTheSearchedMediumIsRefused()
{
    HarnessConfig config;
    config.volumes = {fakeVolume(QStringLiteral("sdz1"), QStringLiteral("CARD"), kCardBytes, QStringLiteral("sdz"))};
    QStringList asked;
    config.destinationOnMedium = [&asked](const QString& dest, const QString& id, const QString& parent,
                                          const QString& source) {
        asked << dest << id << parent << source;
        return true;
    };
    auto h = makeHarness(config);
    h->dialogs->folderAnswer = dest_.path();
    MyTableController& c = h->c();
    c.controlPanel()->activateWindow();
    toSettings(*h);
    c.widgets()->_browse_path->click();
    c.widgets()->_next_btn->click();
    QCOMPARE(asked, (QStringList{dest_.path(), "sdz1", "sdz", QString()}));
    QCOMPARE(h->dialogs->messages(), QStringList{"\n" + wintexts::msgDestinationOnMedium});
    QCOMPARE(c.screenCounter(), 1);
    QVERIFY(!c.searchThreadsRunning());
    waitForFocus(c.widgets()->_browse_path);
}

void WizardTest::destinationFillsBothSets()
{
    auto h = harness();
    MyTableController& c = h->c();
    Ui::MainWindow* w = c.widgets();
    toSettings(*h);
    w->_browse_path->click();
    // The information window comes first, then the chooser.
    QCOMPARE(h->dialogs->modalWindows, QStringList{"BrowseInfo_Window"});
    QCOMPARE(h->dialogs->folderRequests, 1);
    QCOMPARE(w->_path->text(), dest_.path());
    QCOMPARE(w->_path_Sig->text(), dest_.path());
    // Cancelling the chooser changes nothing.
    h->dialogs->folderAnswer.clear();
    w->_browse_path->click();
    QCOMPARE(w->_path->text(), dest_.path());
    QCOMPARE(c.currentSearchSettings().destination, dest_.path());
}

void WizardTest::rangeValidation_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::addColumn<QString>("focus");
    QTest::newRow("whole range") << "0" << "4096" << "" << "";
    QTest::newRow("inner range") << "100" << "200" << "" << "";
    QTest::newRow("empty start") << "" << "4096" << wintexts::msgStartSector << "_Start_slider_val";
    QTest::newRow("blank in start") << "1 0" << "4096" << wintexts::msgStartSector << "_Start_slider_val";
    QTest::newRow("sign") << "+5" << "4096" << wintexts::msgStartSector << "_Start_slider_val";
    QTest::newRow("negative") << "-5" << "4096" << wintexts::msgStartSector << "_Start_slider_val";
    QTest::newRow("decimal point") << "5.0" << "4096" << wintexts::msgStartSector << "_Start_slider_val";
    QTest::newRow("letter") << "5a" << "4096" << wintexts::msgStartSector << "_Start_slider_val";
    QTest::newRow("leading zeros longer than the total") << "00005" << "4096" << wintexts::msgStartSector
                                                         << "_Start_slider_val";
    QTest::newRow("start above total") << "4097" << "4096" << wintexts::msgStartSector << "_Start_slider_val";
    QTest::newRow("end above total") << "0" << "4097" << wintexts::msgEndSector << "_End_slider_val";
    QTest::newRow("empty end") << "0" << "" << wintexts::msgEndSector << "_End_slider_val";
    QTest::newRow("end equals start") << "10" << "10" << wintexts::msgEndNotGreater << "_End_slider_val";
    QTest::newRow("end below start") << "20" << "10" << wintexts::msgEndNotGreater << "_End_slider_val";
}

void WizardTest::rangeValidation()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    auto h = harness();
    MyTableController& c = h->c();
    Ui::MainWindow* w = c.widgets();
    w->_rawfile_mode_rd->click(); // no search starts after this screen in raw-file mode
    toSettings(*h);
    w->_browse_path_Sig->click();
    w->_sector_range_rd_Sig->click();
    w->_Start_slider_val_Sig->setText(start);
    w->_End_slider_val_Sig->setText(end);
    w->_next_btn->click();
    if (message.isEmpty()) {
        QVERIFY2(h->dialogs->alerts.isEmpty(), qPrintable(h->dialogs->messages().join('|')));
        QCOMPARE(c.screenCounter(), 2);
        return;
    }
    QCOMPARE(h->dialogs->messages(), QStringList{"\n" + message});
    QCOMPARE(c.screenCounter(), 1);
    waitForFocus(c.controlPanel()->findChild<QWidget*>(focus + "_Sig"));
}

void WizardTest::wholeMediumSkipsTheRangeChecks()
{
    auto h = harness();
    MyTableController& c = h->c();
    Ui::MainWindow* w = c.widgets();
    w->_rawfile_mode_rd->click();
    toSettings(*h);
    w->_browse_path_Sig->click();
    w->_Start_slider_val_Sig->setText(QStringLiteral("junk"));
    w->_End_slider_val_Sig->setText(QString());
    w->_next_btn->click();
    QVERIFY(h->dialogs->alerts.isEmpty());
    QCOMPARE(c.screenCounter(), 2);
}

void WizardTest::rangeRadioResetsSlidersAndFields()
{
    auto h = harness();
    Ui::MainWindow* w = h->c().widgets();
    toSettings(*h);
    w->_sector_range_rd->click();
    QVERIFY(w->_range_block->isVisible());
    QVERIFY(!w->_summary_block->isVisible());
    QCOMPARE(w->_help_info->text(), wintexts::helpSectorRange);
    w->_Start_Slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    w->_End_Slider->triggerAction(QAbstractSlider::SliderPageStepSub);
    QVERIFY(w->_Start_slider_val->text() != QLatin1String("0"));
    QVERIFY(w->_End_slider_val->text() != QLatin1String("4096"));
    w->_entire_disk_rd->click();
    QVERIFY(w->_summary_block->isVisible());
    QVERIFY(!w->_range_block->isVisible());
    QCOMPARE(w->_help_info->text(), wintexts::helpEntireDisk);
    w->_sector_range_rd->click();
    QCOMPARE(w->_Start_Slider->value64(), 0);
    QCOMPARE(w->_End_Slider->value64(), 4096);
    QCOMPARE(w->_Start_Slider->maximum64(), 4096);
    QCOMPARE(w->_Start_slider_val->text(), QStringLiteral("0"));
    QCOMPARE(w->_End_slider_val->text(), QStringLiteral("4096"));
    QCOMPARE(w->_Start_Sec_Min_val->text(), QStringLiteral("0"));
    QCOMPARE(w->_Start_Sec_Max_val->text(), QStringLiteral("4096"));
    QCOMPARE(w->_End_Sec_Max_val->text(), QStringLiteral("4096"));
}

void WizardTest::typedNumbersMoveTheSliderOnlyUpToTheTotal()
{
    auto h = harness();
    Ui::MainWindow* w = h->c().widgets();
    toSettings(*h);
    w->_sector_range_rd->click();
    QLineEdit* start = w->_Start_slider_val;
    start->setFocus();
    start->selectAll();
    QTest::keyClicks(start, QStringLiteral("123"));
    QCOMPARE(w->_Start_Slider->value64(), 123);
    start->selectAll();
    QTest::keyClicks(start, QStringLiteral("5000")); // above the total: the slider stays
    QCOMPARE(start->text(), QStringLiteral("5000"));
    QCOMPARE(w->_Start_Slider->value64(), 500); // "500" was still below the total
    start->selectAll();
    QTest::keyClicks(start, QStringLiteral("77x")); // the number it begins with counts
    QCOMPARE(w->_Start_Slider->value64(), 77);
    // A programmatic change of the slider does not rewrite the field.
    QCOMPARE(start->text(), QStringLiteral("77x"));
    // Other fields are ignored.
    const qint64 before = w->_Start_Slider->value64();
    h->c().controlTextDidChange(w->_path);
    QCOMPARE(w->_Start_Slider->value64(), before);
}

void WizardTest::slidersHoldSectorCountsBeyondInt()
{
    auto h = harness(kHugeSectors * 512);
    Ui::MainWindow* w = h->c().widgets();
    toSettings(*h);
    QCOMPARE(w->_sectors_val->text(), QStringLiteral("5000000000"));
    w->_sector_range_rd->click();
    QCOMPARE(w->_End_Slider->value64(), qint64(kHugeSectors));
    QCOMPARE(w->_End_slider_val->text(), QStringLiteral("5000000000"));
    // The user drags the start knob to the far end: the full count is written.
    w->_Start_Slider->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(w->_Start_slider_val->text(), QStringLiteral("5000000000"));
    // Half way: a 64-bit position, not a clipped int.
    w->_Start_Slider->setSliderPosition(w->_Start_Slider->maximum() / 2);
    const qint64 half = w->_Start_slider_val->text().toLongLong();
    QVERIFY2(half > 2400000000LL && half < 2600000000LL, qPrintable(w->_Start_slider_val->text()));
    // Typing a large number moves the knob there.
    w->_End_slider_val->selectAll();
    QTest::keyClicks(w->_End_slider_val, QStringLiteral("4000000000"));
    QCOMPARE(w->_End_Slider->value64(), 4000000000LL);
    // And the search takes the typed range.
    const SearchSettings s = h->c().currentSearchSettings();
    QCOMPARE(s.endSector, quint64(4000000000ULL));
    QCOMPARE(s.sectorCount, kHugeSectors);
}

void WizardTest::backFromSettingsResetsModeAndValues()
{
    auto h = harness();
    MyTableController& c = h->c();
    Ui::MainWindow* w = c.widgets();
    w->_audio_mode_rd->click();
    toSettings(*h);
    QSignalSpy reloaded(&c, &MyTableController::mediaListReloaded);
    w->_back_btn->click();
    for (QLabel* value : {w->_disk_val, w->_vol_name_val, w->_size_val, w->_disk_val_Sig, w->_vol_name_val_Sig,
                          w->_file_system_val_Sig, w->_size_val_Sig, w->_start_sector_entire_val_Sig,
                          w->_end_sector_entire_val_Sig})
        QCOMPARE(value->text(), QStringLiteral("<None>"));
    QCOMPARE(w->_disk_identifier->text(), QStringLiteral("<None>"));
    QCOMPARE(w->_sectors_val->text(), QStringLiteral("<None>"));
    QCOMPARE(Recovery_MODE, 0);
    QVERIFY(w->_photo_mode_rd->isChecked());
    QVERIFY(!w->_audio_mode_rd->isChecked());
    QTRY_COMPARE(reloaded.count(), 1); // the media list is read again
}

void WizardTest::resultsFolderButton()
{
    auto h = harness();
    MyTableController& c = h->c();
    toSettings(*h);
    c.widgets()->_browse_path->click();
    c.Open_Folder_btn();
    QCOMPARE(h->dialogs->messages(), QStringList{"\nDestination folder does not exist!"});
    QVERIFY(h->dialogs->opened.isEmpty());
    const QString folder =
        QDir(dest_.path()).filePath(c.profile().Rec_Folder_Name + QStringLiteral("/Photo Search"));
    QVERIFY(QDir().mkpath(folder));
    c.Open_Folder_btn_Sig();
    QCOMPARE(h->dialogs->opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
    QCOMPARE(h->dialogs->alerts.size(), 1);
}

QTEST_MAIN(WizardTest)
#include "test_wizard.moc"
