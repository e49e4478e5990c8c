// Window set-up and the exit question, on the real main window (offscreen):
// the title, the first screen and its texts, the tab-separated disk captions
// of both control sets, the media table filled through the media listing
// with its column keys, the edition rules for the mode choice, and the exit
// question on the Exit button and on closing the window, and a volume label
// that looks like HTML shown as plain text. Needs the shipped
// signature files; no root, no real media.

#include "UiTestSupport.h"

#include "ui/ControlPanelWindow.h"
#include "ui/TableModels.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

class WindowSetupTest : public QObject {
    Q_OBJECT
private slots:
    void startsOnTheMediumScreenWithItsTexts();
    void captionsCarryTheirTabsInBothSets();
    void mediaTableShowsListedVolumesByColumnKey();
    void picturesEditionOffersNoModeChoice();
    void modesWithoutSignatureFilesAreHidden();
    void exitQuestionOnButtonAndOnClose();
    void refreshListsAgainAndDropsTheSelection();
    void mediumTextsShowAsPlainText();
};

void WindowSetupTest::startsOnTheMediumScreenWithItsTexts()
{
    auto h = makeHarness();
    MyTableController& c = h->c();
    Ui::MainWindow* w = c.widgets();
    QCOMPARE(c.controlPanel()->windowTitle(), QStringLiteral("Ostrel USB Media Data Recovery Software"));
    QCOMPARE(APP_LONG_NAME, QStringLiteral("Ostrel USB Media Data Recovery Software"));
    QCOMPARE(Recovery_MODE, 0);
    QVERIFY(w->_photo_mode_rd->isChecked());
    QVERIFY(!w->_video_mode_rd->isChecked());
    QVERIFY(w->_Thro_Mode_Chk->isChecked());
    QCOMPARE(w->_sector_label->text(), QStringLiteral("Sectors 0 of 0"));
    QCOMPARE(w->_help_info->text(),
             QStringLiteral("\nSelect the storage media from List from which you want to recover Data. Press "
                            "\u2018Next\u2019 button to continue... "));
    QCOMPARE(c.screenCounter(), 0);
    QVERIFY(w->idTableView->isVisible());
    QVERIFY(w->_mode_box->isVisible());
    QVERIFY(!w->_screen_settings->isVisible());
    QVERIFY(!w->_screen_settings_Sig->isVisible());
    QVERIFY(!w->_screen_photo_results->isVisible());
    QVERIFY(!w->_screen_file_types->isVisible());
    QVERIFY(!w->_screen_raw_results->isVisible());
    QVERIFY(!w->_Progress_Horz->isVisible());
    QVERIFY(!w->_back_btn->isEnabled());
    QVERIFY(w->_next_btn->isEnabled());
    QCOMPARE(w->_Progress_Horz->value(), 0);
    // The signature tables were loaded for the edition.
    QVERIFY(!c.tables.Ext_Array.isEmpty());
    QVERIFY(!c.tables.Audio_Array.isEmpty());
}

void WindowSetupTest::captionsCarryTheirTabsInBothSets()
{
    auto h = makeHarness();
    Ui::MainWindow* w = h->c().widgets();
    const QList<QPair<QLabel*, QLabel*>> pairs = {
        {w->_disk, w->_disk_Sig},
        {w->_vol_name, w->_vol_name_Sig},
        {w->_file_system, w->_file_system_Sig},
        {w->_size, w->_size_Sig},
        {w->_start_sector_entire, w->_start_sector_entire_Sig},
        {w->_end_sector_entire, w->_end_sector_entire_Sig},
    };
    const QStringList expected = {QStringLiteral("Disk\t\t\t\t:"),        QStringLiteral("Volume Name\t\t:"),
                                  QStringLiteral("File System\t\t:"),     QStringLiteral("Capacity (size)\t:"),
                                  QStringLiteral("Start Sector\t\t:"),    QStringLiteral("End Sector\t\t:")};
    for (int i = 0; i < pairs.size(); ++i) {
        QCOMPARE(pairs[i].first->text(), expected[i]);
        QCOMPARE(pairs[i].second->text(), expected[i]);
    }
}

void WindowSetupTest::mediaTableShowsListedVolumesByColumnKey()
{
    HarnessConfig config;
    config.volumes = {fakeVolume(QStringLiteral("sdb1"), QStringLiteral("CARD"), 1048577, QStringLiteral("sdb")),
                      fakeVolume(QStringLiteral("sdc1"), QString(), 2048)};
    auto h = makeHarness(config);
    const auto* model = h->c().mediaModel();
    QCOMPARE(model->rowCount(), 2);
    QStringList keys;
    for (int col = 0; col < model->columnCount(); ++col)
        keys << model->headerData(col, Qt::Horizontal, ColumnKeyRole).toString();
    QCOMPARE(keys, (QStringList{"Collumn1", "Collumn2", "Collumn3", "Collumn4", "Collumn5", "Collumn6"}));
    auto cell = [&](int row, int col) { return model->data(model->index(row, col), Qt::DisplayRole).toString(); };
    QCOMPARE(cell(0, 0), QStringLiteral("sdb1"));
    QCOMPARE(cell(0, 1), QStringLiteral("CARD"));
    QCOMPARE(cell(0, 2), QStringLiteral("FAT32"));
    QCOMPARE(cell(0, 3), QStringLiteral("1.00  MB "));
    QCOMPARE(cell(0, 4), QStringLiteral("sdb"));
    QCOMPARE(cell(0, 5), QStringLiteral("2048"));
    QCOMPARE(cell(1, 1), QStringLiteral("Untitled")); // an empty volume name
    // The media table is not editable.
    QCOMPARE(h->c().widgets()->idTableView->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!(model->flags(model->index(0, 1)) & Qt::ItemIsEditable));
}

void WindowSetupTest::picturesEditionOffersNoModeChoice()
{
    HarnessConfig config;
    config.bundleName = QStringLiteral("Ostrel Digital Picture Recovery");
    config.volumes = {fakeVolume(QStringLiteral("sdb1"), QStringLiteral("CARD"), 1 << 20)};
    auto h = makeHarness(config);
    Ui::MainWindow* w = h->c().widgets();
    QVERIFY(!w->_mode_box->isVisible());
    for (QRadioButton* r : {w->_photo_mode_rd, w->_video_mode_rd, w->_rawfile_mode_rd, w->_audio_mode_rd})
        QVERIFY(!r->isVisible());
    selectMediaRow(h->c(), 0);
    h->c().Next_btn();
    QCOMPARE(h->c().screenCounter(), 1);
    QCOMPARE(Recovery_MODE, 0);
    QVERIFY(w->_screen_settings->isVisible());
    QCOMPARE(h->c().controlPanel()->windowTitle(), QStringLiteral("Ostrel Pictures Recovery Software - Photo Search"));
    // Back to the first screen: the choice stays hidden.
    h->c().Back_btn();
    QVERIFY(!w->_mode_box->isVisible());
}

void WindowSetupTest::modesWithoutSignatureFilesAreHidden()
{
    HarnessConfig config;
    config.bundleName = QStringLiteral("Ostrel USB Drive Recovery"); // photo and raw file only
    auto h = makeHarness(config);
    Ui::MainWindow* w = h->c().widgets();
    QVERIFY(w->_mode_box->isVisible());
    QVERIFY(w->_photo_mode_rd->isVisible());
    QVERIFY(w->_rawfile_mode_rd->isVisible());
    QVERIFY(!w->_video_mode_rd->isVisible());
    QVERIFY(!w->_audio_mode_rd->isVisible());
}

void WindowSetupTest::exitQuestionOnButtonAndOnClose()
{
    auto h = makeHarness();
    MyTableController& c = h->c();
    h->dialogs->answer = [](const AlertText&) { return 1; }; // "No"
    c.widgets()->_exit_btn->click();
    QCOMPARE(h->dialogs->alerts.size(), 1);
    const AlertText asked = h->dialogs->alerts.first();
    QCOMPARE(asked.message, QStringLiteral("\nDo you really want to exit from Ostrel Recovery Software?"));
    QCOMPARE(asked.buttons, (QStringList{"Yes", "No"}));
    QVERIFY(asked.informative.isEmpty());
    QCOMPARE(h->terminated.load(), 0);
    QVERIFY(c.controlPanel()->isVisible());

    // Closing the window asks the same; No keeps it open.
    QVERIFY(!c.controlPanel()->close());
    QVERIFY(c.controlPanel()->isVisible());
    QCOMPARE(h->dialogs->alerts.size(), 2);
    QCOMPARE(h->terminated.load(), 0);

    h->dialogs->answer = [](const AlertText&) { return 0; }; // "Yes"
    QVERIFY(c.controlPanel()->close());
    QCOMPARE(h->terminated.load(), 1);
    QCOMPARE(h->dialogs->alerts.size(), 3);
}

void WindowSetupTest::refreshListsAgainAndDropsTheSelection()
{
    HarnessConfig config;
    config.volumes = {fakeVolume(QStringLiteral("sdb1"), QStringLiteral("CARD"), 1 << 20)};
    auto h = makeHarness(config);
    MyTableController& c = h->c();
    selectMediaRow(c, 0);
    QSignalSpy reloaded(&c, &MyTableController::mediaListReloaded);
    c.widgets()->_refresh_btn->click();
    QCOMPARE(c.mediaModel()->rowCount(), 0); // emptied at once, refilled by the listing
    QTRY_COMPARE(reloaded.count(), 1);
    QCOMPARE(c.mediaModel()->rowCount(), 1);
    // No row is chosen after a listing: Next asks for one.
    c.Next_btn();
    QCOMPARE(h->dialogs->messages(), QStringList{QStringLiteral("\nPlease select a storage media from list.")});
    QCOMPARE(c.screenCounter(), 0);
}

QTEST_MAIN(WindowSetupTest)
#include "test_window_setup.moc"

void WindowSetupTest::mediumTextsShowAsPlainText()
{
    const QString label = QStringLiteral("<b>CARD</b><img src=\"x.png\">");
    HarnessConfig config;
    config.volumes = {fakeVolume(QStringLiteral("sdb1"), label, 1048577, QStringLiteral("sdb"))};
    auto h = makeHarness(config);
    selectMediaRow(h->c(), 0);
    h->c().widgets()->_next_btn->click(); // to the settings screen, which shows the label
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
