// Window set-up on the real main window (offscreen): the modes an edition
// offers (none to choose in the Pictures edition, only those with signature
// files in the others), Refresh listing the media again without a chosen
// row, and a volume label that looks like HTML shown as plain text. Needs
// the shipped signature files; no root, no real media.

#include "UiTestSupport.h"

#include "ui/ControlPanelWindow.h"
#include "ui/TableModels.h"
#include "ui/WindowTexts.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

class WindowSetupTest : public QObject {
    Q_OBJECT
private slots:
    void editionsOfferTheirModes_data();
    void editionsOfferTheirModes();
    void refreshListsAgainAndDropsTheSelection();
    void mediumTextsShowAsPlainText();
};

void WindowSetupTest::editionsOfferTheirModes_data()
{
    QTest::addColumn<QString>("bundle");
    QTest::addColumn<QString>("shown"); // radios shown: photo, video, raw file, audio
    QTest::newRow("pictures") << "Ostrel Digital Picture Recovery" << "0000";
    QTest::newRow("usb drive") << "Ostrel USB Drive Recovery" << "1010";
    QTest::newRow("removable") << "Ostrel Removable Media Recovery" << "1111";
}

void WindowSetupTest::editionsOfferTheirModes()
{
    QFETCH(QString, bundle);
    QFETCH(QString, shown);
    HarnessConfig config;
    config.bundleName = bundle;
    config.volumes = {fakeVolume(QStringLiteral("sdb1"), QStringLiteral("CARD"), 1 << 20)};
    auto h = makeHarness(config);
    WizardDriver d(h->c());
    QString seen;
    for (const char* r : {"_photo_mode_rd", "_video_mode_rd", "_rawfile_mode_rd", "_audio_mode_rd"})
        seen += d.visible(r) ? u'1' : u'0';
    QCOMPARE(seen, shown);
    QCOMPARE(d.visible("_mode_box"), shown != "0000");
    d.toSettings();
    QCOMPARE(d.screen(), wizard::Screen::Settings);
    QVERIFY(d.visible("_screen_settings")); // photo, the mode every edition starts in
    d.back();
    QCOMPARE(d.visible("_mode_box"), shown != "0000");
}

void WindowSetupTest::refreshListsAgainAndDropsTheSelection()
{
    HarnessConfig config;
    config.volumes = {fakeVolume(QStringLiteral("sdb1"), QStringLiteral("CARD"), 1 << 20)};
    auto h = makeHarness(config);
    MyTableController& c = h->c();
    selectMediaRow(c, 0);
    QSignalSpy reloaded(&c, &MyTableController::mediaListReloaded);
    WizardDriver(c).click("_refresh_btn");
    QCOMPARE(c.mediaModel()->rowCount(), 0); // emptied at once, refilled by the listing
    QTRY_COMPARE(reloaded.count(), 1);
    QCOMPARE(c.mediaModel()->rowCount(), 1);
    // No row is chosen after a listing: Next asks for one.
    WizardDriver(c).next();
    QCOMPARE(h->dialogs->messages(), QStringList{"\n" + wintexts::msgSelectMedia});
    QCOMPARE(c.screenCounter(), 0);
}

void WindowSetupTest::mediumTextsShowAsPlainText()
{
    const QString label = QStringLiteral("<b>CARD</b><img src=\"x.png\">");
    HarnessConfig config;
    config.volumes = {fakeVolume(QStringLiteral("sdb1"), label, 1048577, QStringLiteral("sdb"))};
    auto h = makeHarness(config);
    WizardDriver(h->c()).toSettings(); // the settings screen shows the label
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

QTEST_MAIN(WindowSetupTest)
#include "test_window_setup.moc"
