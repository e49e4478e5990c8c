// The file-type check list of the raw-file, video and audio modes on the real
// window (offscreen), with signature files written by the test into a
// scratch resource folder: the list the window shows (the rules behind it
// are tested in tests/wizard), clicks in the "State" column and the
// select-all box, the filtered tables and summary rows Next makes from the
// ticks, and the refusal when nothing is ticked.

#include "UiTestSupport.h"

#include "signatures/SignatureTable.h"
#include "ui/ControlPanelWindow.h"
#include "ui/TableModels.h"
#include "ui/WindowTexts.h"

#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

class FileTypesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void ticksMakeTheFilteredTablesAndSummaryRows();
    void nothingTickedIsRefused();

private:
    std::unique_ptr<Harness> toFileTypes();
    QStringList column(const QString& key, Harness& h);
    QTemporaryDir resources_;
    QTemporaryDir dest_;
};

void FileTypesTest::initTestCase()
{
    QVERIFY(resources_.isValid());
    // Two ZIP entries next to each other: unticking ZIP must drop both.
    writeSignatureFile(resources_.filePath("XTNRaw.dll"), {{".pdf", "255044462D", "PDF document"},
                                                           {".zip", "504B0304", "ZIP archive"},
                                                           {".zip", "504B0506", "ZIP archive empty"},
                                                           {".doc", "D0CF11E0A1B11AE1", "Word document"}});
    writeSignatureFile(resources_.filePath("XTNRawAdv.dll"),
                       {{".tar", "7573746172", "Tape archive"}, {"eps", "C5D0D3C6", "eps lower case"}});
    writeSignatureFile(resources_.filePath("XTNExt2.dll"), {{".jpg", "FFD8FFE0", "JPEG image"}});
    writeSignatureFile(resources_.filePath("XTNExt2Adv.dll"), {{".jpg", "FFD8FFE1", "JPEG image Exif"}});
}

std::unique_ptr<Harness> FileTypesTest::toFileTypes()
{
    HarnessConfig config;
    config.resourceDir = resources_.path();
    config.volumes = {fakeVolume(QStringLiteral("sdz1"), QStringLiteral("CARD"), 4096 * 512)};
    config.destinationOnMedium = [](const QString&, const QString&, const QString&, const QString&) { return false; };
    auto h = makeHarness(config);
    h->dialogs->folderAnswer = dest_.path();
    WizardDriver d(h->c());
    d.chooseMode(2);
    d.toSettings();
    d.browse();
    d.next();
    return h;
}

QStringList FileTypesTest::column(const QString& key, Harness& h)
{
    QStringList values;
    for (const QVariantMap& row : h.c().checkListModel()->rows())
        values << row.value(key).toString();
    return values;
}

void FileTypesTest::ticksMakeTheFilteredTablesAndSummaryRows()
{
    auto h = toFileTypes();
    MyTableController& c = h->c();
    WizardDriver d(c);
    QCOMPARE(d.screen(), wizard::Screen::FileTypes);
    QCOMPARE(column("Extension", *h), (QStringList{"DOC", "eps", "PDF", "TAR", "ZIP"}));
    QCOMPARE(column("Thoro", *h), (QStringList{"", "YES", "", "YES", ""}));
    auto* view = widget<QTableView>(c, "idCheckTableView");
    auto* all = widget<QAbstractButton>(c, "_select_unselect_Chk");
    QVERIFY(QTest::qWaitForWindowExposed(c.controlPanel()));
    auto clickCell = [view](int row, int col) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, col)).center());
    };
    clickCell(4, 0); // ZIP off
    clickCell(3, 0); // TAR off
    clickCell(2, 1); // a click outside the State column changes nothing
    QCOMPARE(column("State", *h), (QStringList{"1", "1", "1", "0", "0"}));
    QVERIFY(!all->isChecked());
    d.next();
    QCOMPARE(d.screen(), wizard::Screen::Results);
    auto types = [](const QStringList& table) {
        QStringList out;
        for (qsizetype k = 0; k < sig::entryCount(table); ++k)
            out << sig::field(table, k, sig::Extension);
        return out;
    };
    QCOMPARE(types(c.CheckListHeader_Array), (QStringList{"PDF", "DOC"}));
    QCOMPARE(types(c.CheckListHeader_Adv_Array), QStringList{"eps"});
    QCOMPARE(types(c.tables.RawFile_Array), (QStringList{"PDF", "ZIP", "ZIP", "DOC"})); // untouched
    QStringList rows;
    for (const QVariantMap& row : c.summaryModel()->rows())
        rows << row.value("FileTypes").toString() + "=" + row.value("NoOfFile").toString();
    QCOMPARE(rows, (QStringList{"DOC=0", "eps=0", "PDF=0"}));
    QTRY_VERIFY_WITH_TIMEOUT(!c.searchThreadsRunning(), 20000); // the made-up device fails to open
}

void FileTypesTest::nothingTickedIsRefused()
{
    auto h = toFileTypes();
    MyTableController& c = h->c();
    WizardDriver d(c);
    d.click("_select_unselect_Chk"); // everything off
    QCOMPARE(column("State", *h), (QStringList{"0", "0", "0", "0", "0"}));
    d.next();
    QCOMPARE(h->dialogs->messages(), QStringList{"\n" + wintexts::msgNoExtension});
    QCOMPARE(d.screen(), wizard::Screen::FileTypes);
    QVERIFY(!c.searchThreadsRunning());
    QTRY_VERIFY(widgetNamed(c, "idCheckTableView")->hasFocus());
}

QTEST_MAIN(FileTypesTest)
#include "test_file_types.moc"
