// The file-type check list of the raw-file, video and audio modes on the real
// window (offscreen), with signature files written by the test into a
// scratch resource folder: one row per type, thorough-only types flagged,
// sorted by extension without regard to case, the select-all box, clicks in
// the "State" column, and applying the ticks: unchecked types leave both
// filtered tables (neighbouring entries too), checked types get summary
// rows, nothing checked is refused.

#include "UiTestSupport.h"

#include "signatures/SignatureTable.h"
#include "ui/ControlPanelWindow.h"
#include "ui/TableModels.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kZipHeader = QStringLiteral("504B0304");
}

class FileTypesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void listHoldsEachTypeOnceSortedIgnoringCase();
    void selectAllBoxChecksAndUnchecksEveryRow();
    void clickInStateColumnFollowsTheRows();
    void uncheckedTypesLeaveBothFilteredTables();
    void nothingCheckedIsRefused();
    void missingTablesAreNamedBeforeTheSearch();
    void reenteringTheScreenChecksEverythingAgain();

private:
    std::unique_ptr<Harness> toFileTypes(int mode);
    QStringList column(const QString& key, Harness& h);
    QTemporaryDir resources_;
    QTemporaryDir dest_;
};

void FileTypesTest::initTestCase()
{
    QVERIFY(resources_.isValid());
    // General raw-file table: two ZIP entries next to each other, a PDF, a DOC,
    // and a second PDF entry (first one's description wins).
    writeSignatureFile(resources_.filePath("XTNRaw.dll"),
                       {{".pdf", "255044462D", "PDF document"},
                        {".zip", kZipHeader, "ZIP archive"},
                        {".zip", "504B0506", "ZIP archive empty"},
                        {".doc", "D0CF11E0A1B11AE1", "Word document"},
                        {".pdf", "25504446", "PDF short header"}});
    // Thorough raw-file table: PDF again, a type only it has, and two
    // extensions written in lower case (kept as written: no dot); "eps"
    // sorts between the upper-case ones only when case is ignored.
    writeSignatureFile(resources_.filePath("XTNRawAdv.dll"),
                       {{".pdf", "255044462D312E", "PDF document with version"},
                        {".tar", "7573746172", "Tape archive"},
                        {"zip", kZipHeader, "zip lower case"},
                        {"eps", "C5D0D3C6", "eps lower case"},
                        {".zip", kZipHeader, "ZIP archive thorough"}});
    // Photo tables for completeness; no video or audio tables.
    writeSignatureFile(resources_.filePath("XTNExt2.dll"), {{".jpg", "FFD8FFE0", "JPEG image"}});
    writeSignatureFile(resources_.filePath("XTNExt2Adv.dll"), {{".jpg", "FFD8FFE1", "JPEG image Exif"}});
}

std::unique_ptr<Harness> FileTypesTest::toFileTypes(int mode)
{
    HarnessConfig config;
    config.resourceDir = resources_.path();
    config.volumes = {fakeVolume(QStringLiteral("sdz1"), QStringLiteral("CARD"), 4096 * 512)};
    config.destinationOnMedium = [](const QString&, const QString&, const QString&, const QString&) { return false; };
    auto h = makeHarness(config);
    h->dialogs->folderAnswer = dest_.path();
    MyTableController& c = h->c();
    Ui::MainWindow* w = c.widgets();
    QRadioButton* radios[] = {w->_photo_mode_rd, w->_video_mode_rd, w->_rawfile_mode_rd, w->_audio_mode_rd};
    radios[mode]->click();
    selectMediaRow(c, 0);
    w->_next_btn->click();
    w->_browse_path_Sig->click();
    w->_next_btn->click();
    if (c.screenCounter() != 2)
        qWarning("did not reach the file-type screen");
    return h;
}

QStringList FileTypesTest::column(const QString& key, Harness& h)
{
    QStringList values;
    for (const QVariantMap& row : h.c().checkListModel()->rows())
        values << row.value(key).toString();
    return values;
}

void FileTypesTest::listHoldsEachTypeOnceSortedIgnoringCase()
{
    auto h = toFileTypes(2);
    QCOMPARE(h->c().screenCounter(), 2);
    QCOMPARE(column("Extension", *h), (QStringList{"DOC", "eps", "PDF", "TAR", "ZIP", "zip"}));
    QCOMPARE(column("Thoro", *h), (QStringList{"", "YES", "", "YES", "", "YES"}));
    QCOMPARE(column("Description", *h),
             (QStringList{"Word document", "eps lower case", "PDF document", "Tape archive", "ZIP archive", "zip lower case"}));
    QCOMPARE(column("State", *h), (QStringList{"1", "1", "1", "1", "1", "1"}));
    // The view's columns are the row keys.
    const auto* model = h->c().checkListModel();
    QStringList keys;
    for (int col = 0; col < model->columnCount(); ++col)
        keys << model->headerData(col, Qt::Horizontal, ColumnKeyRole).toString();
    QCOMPARE(keys, (QStringList{"State", "Extension", "Description", "Thoro"}));
    QCOMPARE(model->data(model->index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
}

void FileTypesTest::selectAllBoxChecksAndUnchecksEveryRow()
{
    auto h = toFileTypes(2);
    Ui::MainWindow* w = h->c().widgets();
    const QStringList order = column("Extension", *h);
    w->_select_unselect_Chk->click(); // off
    QVERIFY(!w->_select_unselect_Chk->isChecked());
    QCOMPARE(column("State", *h), (QStringList{"0", "0", "0", "0", "0", "0"}));
    QCOMPARE(column("Extension", *h), order);
    QCOMPARE(column("Thoro", *h), (QStringList{"", "YES", "", "YES", "", "YES"}));
    w->_select_unselect_Chk->click(); // on
    QCOMPARE(column("State", *h), (QStringList{"1", "1", "1", "1", "1", "1"}));
    QCOMPARE(column("Extension", *h), order);
}

void FileTypesTest::clickInStateColumnFollowsTheRows()
{
    auto h = toFileTypes(2);
    Ui::MainWindow* w = h->c().widgets();
    QTableView* view = w->idCheckTableView;
    QVERIFY(QTest::qWaitForWindowExposed(h->c().controlPanel()));
    auto clickCell = [view](int row, int col) {
        const QRect rect = view->visualRect(view->model()->index(row, col));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    };
    clickCell(2, 0); // PDF off, anywhere in the State cell
    QCOMPARE(column("State", *h), (QStringList{"1", "1", "0", "1", "1", "1"}));
    QVERIFY(!w->_select_unselect_Chk->isChecked());
    clickCell(4, 1); // a click in the Extension column changes nothing
    QCOMPARE(column("State", *h), (QStringList{"1", "1", "0", "1", "1", "1"}));
    QVERIFY(!w->_select_unselect_Chk->isChecked());
    clickCell(2, 0); // PDF on again: every row checked
    QCOMPARE(column("State", *h), (QStringList{"1", "1", "1", "1", "1", "1"}));
    QVERIFY(w->_select_unselect_Chk->isChecked());
}

void FileTypesTest::uncheckedTypesLeaveBothFilteredTables()
{
    auto h = toFileTypes(2);
    MyTableController& c = h->c();
    auto* model = c.checkListModel();
    // Uncheck ZIP (upper case) and TAR.
    model->setValue(4, "State", 0);
    model->setValue(3, "State", 0);
    c.widgets()->_next_btn->click();
    QCOMPARE(c.screenCounter(), 3);
    auto extensions = [](const QStringList& table) {
        QStringList out;
        for (qsizetype k = 0; k < sig::entryCount(table); ++k)
            out << sig::field(table, k, sig::Extension);
        return out;
    };
    QCOMPARE(extensions(c.CheckListHeader_Array), (QStringList{"PDF", "DOC", "PDF"}));
    QCOMPARE(extensions(c.CheckListHeader_Adv_Array), (QStringList{"PDF", "zip", "eps"}));
    QCOMPARE(c.CheckListHeader_Array.size(), 3 * sig::Stride);
    // The signature tables themselves are untouched.
    QCOMPARE(extensions(c.tables.RawFile_Array), (QStringList{"PDF", "ZIP", "ZIP", "DOC", "PDF"}));
    // One summary row per checked type, in list order.
    QStringList types;
    for (const QVariantMap& row : c.summaryModel()->rows()) {
        types << row.value("FileTypes").toString();
        QCOMPARE(row.value("NoOfFile").toString(), QStringLiteral("0"));
        QCOMPARE(row.value("FileTypes_Hidden"), row.value("FileTypes"));
        QVERIFY(row.value("FileName").toString().isEmpty());
        QVERIFY(row.value("FilePath").toString().isEmpty());
    }
    QCOMPARE(types, (QStringList{"DOC", "eps", "PDF", "zip"}));
    QTRY_VERIFY_WITH_TIMEOUT(!c.searchThreadsRunning(), 20000); // the made-up device fails to open
}

void FileTypesTest::nothingCheckedIsRefused()
{
    auto h = toFileTypes(2);
    MyTableController& c = h->c();
    c.widgets()->_select_unselect_Chk->click(); // everything off
    c.widgets()->_next_btn->click();
    QCOMPARE(h->dialogs->messages(), QStringList{"\nPlease select atleast one extension type."});
    QCOMPARE(c.screenCounter(), 2);
    QVERIFY(c.CheckListHeader_Array.isEmpty());
    QVERIFY(c.CheckListHeader_Adv_Array.isEmpty());
    QVERIFY(!c.searchThreadsRunning());
    QTRY_VERIFY(c.widgets()->idCheckTableView->hasFocus());
    // Ticking one type again lets the search start with that type only.
    c.checkListModel()->setValue(2, "State", 1); // PDF
    c.widgets()->_next_btn->click();
    QCOMPARE(c.screenCounter(), 3);
    QCOMPARE(sig::entryCount(c.CheckListHeader_Array), 2); // both PDF entries
    QTRY_VERIFY_WITH_TIMEOUT(!c.searchThreadsRunning(), 20000);
}

void FileTypesTest::missingTablesAreNamedBeforeTheSearch()
{
    auto h = toFileTypes(1); // no video tables in the scratch folder
    MyTableController& c = h->c();
    QCOMPARE(c.screenCounter(), 1);
    const QStringList messages = h->dialogs->messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QDir(resources_.path()).filePath("XTNVideo.dll") + " is missing."), qPrintable(messages[0]));
    QVERIFY(!c.searchThreadsRunning());
}

void FileTypesTest::reenteringTheScreenChecksEverythingAgain()
{
    auto h = toFileTypes(2);
    MyTableController& c = h->c();
    Ui::MainWindow* w = c.widgets();
    c.checkListModel()->setValue(0, "State", 0);
    w->_Thro_Mode_Chk_SIG->setChecked(false);
    w->_select_unselect_Chk->setChecked(false);
    w->_back_btn->click();
    w->_next_btn->click();
    QCOMPARE(c.screenCounter(), 2);
    QCOMPARE(column("State", *h), (QStringList{"1", "1", "1", "1", "1", "1"}));
    QVERIFY(w->_Thro_Mode_Chk_SIG->isChecked());
    QVERIFY(w->_select_unselect_Chk->isChecked());
}

QTEST_MAIN(FileTypesTest)
#include "test_file_types.moc"
