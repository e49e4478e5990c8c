// Searches run from the real window (offscreen) on small disk images built
// by the test, with the shipped signature files: a complete photo search
// (files on disk, thumbnails or placeholder in the list, one final screen),
// a complete raw-file search with one type unticked (summary rows count the
// files), a search stopped with the Stop question (its final screen names
// the sector and continuing fills the sector range), a Stop answered No, a
// medium that cannot be opened (wizard one screen back, generic alert, no
// final screen), the permission alert and its restart button, and
// Show_MessageBox from a worker thread. A slowed-down image source stands in
// for a slow card reader.

#include "UiTestSupport.h"
#include "common/TestFiles.h"

#include "engine/EngineTexts.h"
#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/ResultsModel.h"
#include "ui/TableModels.h"
#include "ui/ThumbnailCache.h"
#include "ui/WindowTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <thread>

class SearchRunsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void completePhotoSearch();
    void completeRawFileSearch();
    void stopMidSearch();
    void stopAnsweredNoRunsOn();
    void mediumThatCannotBeOpened_data();
    void mediumThatCannotBeOpened();
    void messageBoxFromAWorkerWaitsForTheUser();

private:
    // A harness with one sample medium: the image at `imagePath`.
    std::unique_ptr<Harness> harness(const QString& imagePath, ostrel::EngineOptions options = {});
    void startSearch(Harness& h, int mode);
    QTemporaryDir dir_;
    QString dest_;
};

void SearchRunsTest::init()
{
    QVERIFY(dir_.isValid());
    dest_ = dir_.filePath(QStringLiteral("dest-%1").arg(QTest::currentTestFunction()));
    QVERIFY(QDir().mkpath(dest_));
}

std::unique_ptr<Harness> SearchRunsTest::harness(const QString& imagePath, ostrel::EngineOptions options)
{
    HarnessConfig config;
    config.samples = {SampleMedium{imagePath, QStringLiteral("card.img"), QStringLiteral("CARD")}};
    config.engineOptions = options;
    config.engineOptions.clearPause = std::chrono::milliseconds(0);
    auto h = makeHarness(config);
    h->dialogs->folderAnswer = dest_;
    return h;
}

void SearchRunsTest::startSearch(Harness& h, int mode)
{
    WizardDriver d(h.c());
    d.chooseMode(mode);
    QCOMPARE(h.c().mediaModel()->rowCount(), 1);
    d.toSettings();
    QCOMPARE(d.screen(), wizard::Screen::Settings);
    d.browse();
}

void SearchRunsTest::completePhotoSearch()
{
    DiskImage image(dir_.filePath("photos.img"), 400);
    image.put(10, jpegBytes(160, 120, Qt::red));
    image.put(60, pngBytes(90, 90, Qt::blue));
    image.put(120, jpegBytes(64, 48, Qt::green));
    image.put(200, brokenJpegBytes());
    auto h = harness(image.path());
    MyTableController& c = h->c();
    startSearch(*h, 0);
    QSignalSpy finished(&c, &MyTableController::searchThreadsFinished);
    WizardDriver(c).next();
    // The search screen is up and the wizard buttons are off while it runs.
    QCOMPARE(c.screenCounter(), 2);
    QVERIFY(widgetNamed(c, "_screen_photo_results")->isVisible());
    QVERIFY(!WizardDriver(c).enabled("_next_btn") && !WizardDriver(c).enabled("_back_btn"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);

    // Exactly one final screen, and what it leaves behind.
    QCOMPARE(h->dialogs->countModal("SaveFile_Info_Window"), 1);
    QCOMPARE(widget<QLabel>(c, "_help_info")->text(), QStringLiteral("\nTo select another disk for recovery, click on \u2018Back\u2019 Button."));
    WizardDriver d(c);
    QVERIFY(!d.visible("_stop_scan") && d.visible("_open_folder"));
    QVERIFY(d.enabled("_back_btn") && !d.enabled("_next_btn") && d.enabled("_browse_path"));
    QCOMPARE(c.runState().stop_now.load(), 0);

    // The files, in the folder tree of the results.
    const QString general = QDir(dest_).filePath(c.profile().Rec_Folder_Name +
                                                 "/Photo Search/General Recovery Results");
    QCOMPARE(filesUnder(general).join(' '),
             QStringList({"JPG/GND00001.JPG", "JPG/GND00003.JPG", "JPG/GND00004.JPG", "PNG/GND00002.PNG"}).join(' '));
    QVERIFY(QFileInfo(QDir(dest_).filePath(c.profile().Rec_Folder_Name +
                                           "/Photo Search/Omitted (recovered by Thorough Scan)"))
                .isDir());

    // The list: the general pass's four files first; decodable ones are
    // drawn from their file (the picture decoded off the main thread), the
    // broken one becomes the placeholder once its test has answered.
    QTRY_COMPARE_WITH_TIMEOUT(c.resultsModel()->pendingCount(), 0, 20000);
    const QList<MyImageObject>& items = c.resultsModel()->images();
    QVERIFY(items.size() >= 4);
    QCOMPARE(items[0].image_Name, QStringLiteral("GND00001.JPG"));
    QCOMPARE(items[1].image_Name, QStringLiteral("GND00002.PNG"));
    QVERIFY(!items[0].isPlaceholder());
    QCOMPARE(items[0].path.section('/', -2), QStringLiteral("JPG/GND00001.JPG"));
    QVERIFY(!c.thumbnailCache()->picture(items[0].path).isNull());
    QVERIFY(!items[1].isPlaceholder());
    QCOMPARE(items[3].image_Name, QStringLiteral("GND00004.JPG"));
    QVERIFY(items[3].isPlaceholder());
    QCOMPARE(QFileInfo(items[3].path).fileName(), QStringLiteral("NoPreview.png"));
    QCOMPARE(c.runState().Listed_File_Count.load(), quint64(items.size()));
    QCOMPARE(c.filesFoundThisRun(), quint64(items.size()));

    // Back to the settings screen empties the list; the files stay.
    WizardDriver(c).back();
    QCOMPARE(c.screenCounter(), 1);
    QCOMPARE(c.resultsModel()->size(), 0);
    QCOMPARE(c.runState().Listed_File_Count.load(), quint64(0));
    QCOMPARE(filesUnder(general).size(), 4);
    QVERIFY(widgetNamed(c, "_screen_settings")->isVisible());
}

void SearchRunsTest::completeRawFileSearch()
{
    DiskImage image(dir_.filePath("files.img"), 600);
    image.put(10, pdfBytes());
    image.put(100, zipBytes());
    image.put(200, pdfBytes());
    image.put(300, QByteArrayLiteral("{\\rtf1\\ansi hello}"));
    auto h = harness(image.path());
    MyTableController& c = h->c();
    startSearch(*h, 2);
    WizardDriver(c).next();
    QCOMPARE(c.screenCounter(), 2);
    widget<QAbstractButton>(c, "_Thro_Mode_Chk_SIG")->setChecked(false);
    // Untick DOCX.
    const QList<QVariantMap>& rows = c.checkListModel()->rows();
    int docx = -1;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].value("Extension") == QLatin1String("DOCX"))
            docx = i;
    }
    QVERIFY(docx >= 0);
    c.checkListModel()->setValue(docx, "State", 0);
    QSignalSpy finished(&c, &MyTableController::searchThreadsFinished);
    WizardDriver(c).next();
    QCOMPARE(c.screenCounter(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QCOMPARE(h->dialogs->countModal("SaveFile_Info_Window"), 1);
    QVERIFY(widget<QAbstractButton>(c, "_open_folder_Sig")->isVisible());
    QVERIFY(!widgetNamed(c, "_zoom_slider")->isVisible());

    const QString general =
        QDir(dest_).filePath(c.profile().Rec_Folder_Name + "/File Search/General Recovery Results");
    const QStringList files = filesUnder(general);
    QVERIFY2(files.contains("PDF/PDF00001.PDF"), qPrintable(files.join(' ')));
    QVERIFY(files.contains("ZIP/ZIP00001.ZIP") && files.contains("RTF/RTF00001.RTF"));
    for (const QString& f : files)
        QVERIFY2(!f.startsWith("DOCX/"), qPrintable(f));
    QVERIFY(!QFileInfo::exists(QDir(dest_).filePath(c.profile().Rec_Folder_Name +
                                                    "/File Search/Omitted (recovered by Thorough Scan)")));

    // Every written file is listed, and the summary rows count them.
    QCOMPARE(c.resultsModel()->size(), files.size());
    QMap<QString, QVariantMap> summary;
    for (const QVariantMap& row : c.summaryModel()->rows())
        summary.insert(row.value("FileTypes_Hidden").toString(), row);
    QVERIFY(!summary.contains("DOCX"));
    QCOMPARE(summary["PDF"].value("NoOfFile").toString(), QStringLiteral("2"));
    QCOMPARE(summary["PDF"].value("FileName").toString(), QStringLiteral("PDF00002.PDF"));
    QCOMPARE(summary["RTF"].value("NoOfFile").toString(), QStringLiteral("1"));
    // The ZIP header fits XLSX too, but the archive's entries show a plain ZIP.
    QCOMPARE(summary["ZIP"].value("NoOfFile").toString(), QStringLiteral("1"));

    // Back to the file types keeps the ticks.
    WizardDriver(c).back();
    QCOMPARE(c.screenCounter(), 2);
    QVERIFY(widgetNamed(c, "_screen_file_types")->isVisible());
    QCOMPARE(c.checkListModel()->value(docx, "State").toInt(), 0);
    QCOMPARE(c.resultsModel()->size(), 0);
}

void SearchRunsTest::stopMidSearch()
{
    DiskImage image(dir_.filePath("slow.img"), 8192);
    image.put(8, jpegBytes(64, 64, Qt::cyan));
    ostrel::EngineOptions options;
    options.reader.chunkSectors = 32;
    options.reader.chunks = 2;
    options.openSource = [](const QString& path, int* error) -> std::unique_ptr<ostrel::SectorSource> {
        auto file = ostrel::FileSectorSource::open(path, error);
        if (!file)
            return nullptr;
        return std::make_unique<SlowSource>(std::move(file), 1000); // about 8 s for the image
    };
    auto h = harness(image.path(), options);
    MyTableController& c = h->c();
    startSearch(*h, 0);
    QSignalSpy finished(&c, &MyTableController::searchThreadsFinished);
    WizardDriver(c).next();

    // The half-second tick shows the progress.
    static const QRegularExpression label(QStringLiteral("^Sectors (\\d+) of 8192   \\( Completed (\\d+)% \\)$"));
    QTRY_VERIFY_WITH_TIMEOUT(label.match(widget<QLabel>(c, "_sector_label")->text()).hasMatch() &&
                                 label.match(widget<QLabel>(c, "_sector_label")->text()).captured(1).toInt() > 0,
                             10000);
    QCOMPARE(widget<QLabel>(c, "_Mode_label")->text(), texts::generalPassLabel);
    QVERIFY(widget<QProgressBar>(c, "_Progress_Horz")->value() > 0);
    QCOMPARE(widget<QProgressBar>(c, "_Progress_Horz")->maximum(), 8192);
    QCOMPARE(widget<QLabel>(c, "_help_info")->text(), texts::stopHelp);
    QVERIFY(!widget<QAbstractButton>(c, "_Thro_Mode_Chk")->isEnabled());
    QVERIFY(!widget<QAbstractButton>(c, "_browse_path")->isEnabled());

    // The final screen says it was a stop, where, and offers to continue.
    QString title, summary, offer;
    h->dialogs->onModal = [&](QDialog* d) {
        auto* info = qobject_cast<SaveFile_Info*>(d);
        if (!info)
            return;
        title = info->title();
        summary = info->summary();
        offer = info->continueOffer();
        d->findChild<QPushButton*>("_continue_btn")->click();
    };
    WizardDriver(c).click("_stop_scan"); // answered Yes
    QCOMPARE(h->dialogs->alerts.size(), 1);
    QCOMPARE(h->dialogs->alerts[0].message, QStringLiteral("\nDo you want to stop searching?"));
    QCOMPARE(h->dialogs->alerts[0].buttons, (QStringList{"Yes", "No"}));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QCOMPARE(h->dialogs->countModal("SaveFile_Info_Window"), 1);
    const quint64 at = c.runState().for_index.load();
    QVERIFY(at < 8192);
    QCOMPARE(c.lastRunOutcome().pass.sector, at);
    QCOMPARE(title, wintexts::endTitleStopped);
    QVERIFY2(summary.startsWith(wintexts::endStoppedAt.arg(at).arg(8192)), qPrintable(summary));
    QCOMPARE(offer, wintexts::continueButton.arg(at));
    // The open file was closed and listed; the thorough pass never ran.
    QCOMPARE(c.filesFoundThisRun(), quint64(1));
    QVERIFY(!QFileInfo::exists(QDir(dest_).filePath(c.profile().Rec_Folder_Name +
                                                    "/Photo Search/Omitted (recovered by Thorough Scan)")));
    QCOMPARE(c.runState().stop_now.load(), 0);
    // Continuing: back on the settings with the rest of the range filled in.
    QCOMPARE(c.screenCounter(), 1);
    QVERIFY(widgetNamed(c, "_screen_settings")->isVisible());
    QVERIFY(c.currentSearchSettings().sectorRange && !c.currentSearchSettings().entireDisk);
    QCOMPARE(c.currentSearchSettings().startSector, at);
    QCOMPARE(c.currentSearchSettings().endSector, quint64(8192));
    QCOMPARE(widget<QLabel>(c, "_help_info")->text(), wintexts::helpContinue.arg(at).arg(8192));
}

void SearchRunsTest::stopAnsweredNoRunsOn()
{
    DiskImage image(dir_.filePath("slow2.img"), 1024);
    image.put(8, jpegBytes(64, 64, Qt::magenta));
    ostrel::EngineOptions options;
    options.reader.chunkSectors = 32;
    options.openSource = [](const QString& path, int* error) -> std::unique_ptr<ostrel::SectorSource> {
        auto file = ostrel::FileSectorSource::open(path, error);
        return file ? std::make_unique<SlowSource>(std::move(file), 1000) : nullptr;
    };
    auto h = harness(image.path(), options);
    MyTableController& c = h->c();
    startSearch(*h, 0);
    widget<QAbstractButton>(c, "_Thro_Mode_Chk")->setChecked(false);
    QSignalSpy finished(&c, &MyTableController::searchThreadsFinished);
    WizardDriver(c).next();
    QTRY_VERIFY(c.runState().for_index.load() > 0);
    h->dialogs->answer = [](const AlertText&) { return 1; }; // No
    WizardDriver(c).click("_stop_scan");
    QCOMPARE(c.runState().stop_now.load(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QCOMPARE(c.runState().for_index.load(), quint64(1024)); // read to the end
    QCOMPARE(h->dialogs->countModal("SaveFile_Info_Window"), 1);
}

void SearchRunsTest::mediumThatCannotBeOpened_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("screenBack");
    QTest::newRow("missing, photo") << 0 << ENOENT << 1;
    QTest::newRow("permission, raw file") << 2 << EACCES << 2;
}

// One screen back with the wizard usable, the alert for the error (the
// permission one restarts with administrator rights and ends this copy), no
// final screen.
void SearchRunsTest::mediumThatCannotBeOpened()
{
    QFETCH(int, mode);
    QFETCH(int, error);
    QFETCH(int, screenBack);
    DiskImage image(dir_.filePath("locked.img"), 64);
    ostrel::EngineOptions options;
    options.openSource = [error](const QString&, int* e) -> std::unique_ptr<ostrel::SectorSource> {
        *e = error;
        return nullptr;
    };
    auto h = harness(image.path(), options);
    MyTableController& c = h->c();
    startSearch(*h, mode);
    if (mode != 0)
        WizardDriver(c).next(); // to the file types
    QSignalSpy finished(&c, &MyTableController::searchThreadsFinished);
    WizardDriver(c).next(); // start
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QCOMPARE(c.screenCounter(), screenBack);
    QVERIFY(WizardDriver(c).enabled("_next_btn") && WizardDriver(c).enabled("_back_btn"));
    QVERIFY(!WizardDriver(c).visible(mode == 0 ? "_screen_photo_results" : "_screen_raw_results"));
    QCOMPARE(h->dialogs->alerts.size(), 1);
    const AlertText alert = h->dialogs->alerts[0];
    const bool permission = error == EACCES;
    QCOMPARE(alert.message, permission ? wintexts::permissionTitle : wintexts::deviceErrorTitle);
    QCOMPARE(alert.informative, permission ? wintexts::permissionInfo.arg(QCoreApplication::applicationName())
                                           : wintexts::deviceErrorInfo.arg(QString::fromLocal8Bit(strerror(error))));
    QCOMPARE(h->relaunches.load(), permission ? 1 : 0);
    QCOMPARE(h->terminated.load(), permission ? 1 : 0);
    if (permission)
        QCOMPARE(alert.buttons.first(), wintexts::permissionButton);
    QCOMPARE(h->dialogs->countModal("SaveFile_Info_Window"), 0);
    QCOMPARE(c.runState().Listed_File_Count.load(), quint64(0));
}

void SearchRunsTest::messageBoxFromAWorkerWaitsForTheUser()
{
    auto h = makeHarness();
    std::atomic<bool> alertDone{false};
    std::atomic<bool> workerSawDone{false};
    std::atomic<bool> returned{false};
    QThread* alertThread = nullptr;
    h->dialogs->answer = [&](const AlertText&) {
        alertThread = QThread::currentThread();
        // The user takes a while; the worker must not go on meanwhile.
        QTest::qWait(200);
        alertDone = true;
        return 0;
    };
    std::thread worker([&] {
        Show_MessageBox(QStringLiteral("Saved elsewhere."));
        workerSawDone = alertDone.load();
        returned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 10000);
    worker.join();
    QVERIFY(workerSawDone.load());
    QCOMPARE(alertThread, QThread::currentThread());
    QCOMPARE(h->dialogs->messages(), QStringList{"\nSaved elsewhere."});
    QCOMPARE(h->dialogs->alerts[0].buttons, QStringList{"OK"});
    QVERIFY(h->dialogs->alerts[0].informative.isEmpty());
}

QTEST_MAIN(SearchRunsTest)
#include "test_search_runs.moc"
