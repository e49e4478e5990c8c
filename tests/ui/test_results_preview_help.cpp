// Results browsers, preview and support link of the real window, on the
// offscreen platform: the listing cap and count rules applied by both
// browsers (a small injected cap; removed items leave their files), the
// preview's choice of movie, thumbnail or icon with a scripted movie
// framework, the Prev_Index rules, the wait sheet and the final screen it
// defers, and the support mail link. The rules themselves are tested in
// tests/wizard.

#include "UiTestSupport.h"

#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/PreviewMedia.h"
#include "ui/ResultsModel.h"
#include "ui/TableModels.h"
#include "ui/WindowEngineHost.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <thread>

class ResultsPreviewHelpTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir_.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    // Selects `row` of the second browser as a click would.
    static void selectRow(MyTableController& c, int row)
    {
        auto* view = widget<QAbstractItemView>(c, "imageBrowser_2");
        view->selectionModel()->select(c.resultsModel()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    }
    static void showFileResults(MyTableController& c, int mode)
    {
        Recovery_MODE = mode;
        c.resultsModel()->setPhotoMode(false);
        c.show_hide_4_screen_RawFile(false);
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void listingCapAndCountRules()
    {
        HarnessConfig config;
        config.engineOptions.fileListClearLimit = 5;
        auto h = makeHarness(config);
        MyTableController& c = h->c();
        const QString photo = write("cap.png", pngBytes(40, 30, Qt::red));
        for (int i = 0; i < 5; ++i)
            c.addImageWithPath(photo, QString::number(i), QString::number(i));
        QCOMPARE(c.resultsModel()->size(), 5);
        QCOMPARE(c.runState().Listed_File_Count.load(), quint64(5));
        // Full: counted, not shown.
        c.addImageWithPath(photo, "6", "6");
        QCOMPARE(c.resultsModel()->size(), 5);
        QCOMPARE(c.runState().Listed_File_Count.load(), quint64(6));
        // The user removed some; the count is at the cap: neither shown nor counted.
        c.imageBrowser_removeItemsAtIndexes(widgetNamed(c, "imageBrowser"), {0, 3});
        QCOMPARE(c.resultsModel()->size(), 3);
        c.addImageWithPath(photo, "7", "7");
        c.addImageWithPath_2(photo, "8", "8", "JPG", 8);
        QCOMPARE(c.resultsModel()->size(), 3);
        QCOMPARE(c.runState().Listed_File_Count.load(), quint64(6));
        // The file of a removed item is still there.
        QVERIFY(QFileInfo::exists(photo));
    }

    void previewChoosesMovieThumbnailOrIcon()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        showFileResults(c, 2);
        auto* movieView = widgetNamed(c, "mMovieView");
        auto* pane = widget<QLabel>(c, "_QuickLook_View");
        const QString movie = write("MP400001.MP4", "movie bytes");
        const QString photo = write("JPG00001.JPG", jpegBytes(800, 600, QColor(200, 80, 40)));
        const QString other = write("XYZ00001.XYZ", "unknown format");
        for (const QString& p : {movie, photo, other})
            c.addImageWithPath_2(p, QFileInfo(p).fileName(), QFileInfo(p).fileName(), QFileInfo(p).suffix(), 1);
        QSignalSpy done(&c, &MyTableController::previewFinished);

        selectRow(c, 0);
        QTRY_COMPARE(done.count(), 1);
        QCOMPARE(done.last().value(1).toInt(), int(PreviewKind::Movie));
        QCOMPARE(h->media->plays, 1);
        QVERIFY(movieView->isVisibleTo(c.controlPanel()));
        QVERIFY(!pane->isVisibleTo(c.controlPanel()));
        QCOMPARE(widget<QGroupBox>(c, "_QuickLook_View_Box")->title(), QStringLiteral("MP400001.MP4"));

        selectRow(c, 1);
        QTRY_COMPARE(done.count(), 2);
        QCOMPARE(done.last().value(1).toInt(), int(PreviewKind::Thumbnail));
        QCOMPARE(h->media->openedPaths.size(), 1); // a still picture is not offered as a movie
        QVERIFY(pane->isVisibleTo(c.controlPanel()));
        QVERIFY(!movieView->isVisibleTo(c.controlPanel()));
        const QPixmap thumbnail = pane->pixmap();
        QCOMPARE(thumbnail.size(), QSize(200, 150));

        selectRow(c, 2);
        QTRY_COMPARE(done.count(), 3);
        QCOMPARE(done.last().value(1).toInt(), int(PreviewKind::Icon));
        QCOMPARE(h->media->openedPaths.size(), 2);
        QVERIFY(!pane->pixmap().isNull());
        QVERIFY(pane->pixmap().width() <= 200);

        // Leaving the results screen stops the movie and empties the pane.
        const int closes = h->media->closes;
        c.show_hide_4_screen_RawFile(true);
        QVERIFY(h->media->closes > closes);
        QVERIFY(pane->pixmap().isNull());
    }

    void sameItemTwicePreviewsOnce()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        showFileResults(c, 1);
        const QString a = write("MP400001.MP4", "a");
        const QString b = write("MP400002.MP4", "b");
        c.addImageWithPath_2(a, "MP400001.MP4", "1", "MP4", 1);
        c.addImageWithPath_2(b, "MP400002.MP4", "2", "MP4", 2);
        QSignalSpy done(&c, &MyTableController::previewFinished);
        QCOMPARE(c.previewIndex(), MyTableController::kNoPreviewIndex);
        selectRow(c, 0);
        QTRY_COMPARE(done.count(), 1);
        QCOMPARE(c.previewIndex(), quint64(0));
        widget<QAbstractItemView>(c, "imageBrowser_2")->clearSelection();
        selectRow(c, 0);
        QTest::qWait(50);
        QCOMPARE(done.count(), 1);
        QCOMPARE(h->media->openedPaths.size(), 1);
        selectRow(c, 1);
        QTRY_COMPARE(done.count(), 2);
        selectRow(c, 0);
        QTRY_COMPARE(done.count(), 3);
        QCOMPARE(h->media->openedPaths, (QStringList{a, b, a}));
        // A new general pass forgets the previewed item: index 0 previews again.
        c.engineHost().beginPass(1, true, QStringLiteral("label")); // from the main thread the mailbox runs it at once
        QTRY_COMPARE(c.previewIndex(), MyTableController::kNoPreviewIndex);
        QCOMPARE(widget<QGroupBox>(c, "_QuickLook_View_Box")->title(), QStringLiteral("No file is selected to preview"));
    }

    void waitSheetAndDeferredFinalScreen()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        showFileResults(c, 1);
        const QString a = write("MP400003.MP4", "a");
        c.addImageWithPath_2(a, "MP400003.MP4", "1", "MP4", 1);
        h->media->hold = true;
        QSignalSpy finals(&c, &MyTableController::finalScreenShown);
        selectRow(c, 0);
        QVERIFY(c.previewSession());
        QVERIFY(c.clearPreviewWindow()->isVisible());
        QCOMPARE(c.clearPreviewWindow()->objectName(), QStringLiteral("ClearPreview_Window"));
        // The search ends now, on its worker, while the sheet is up: its
        // final screen waits for the preview (decided on the main thread,
        // so the preview cannot end in between).
        std::thread worker([&] { c.engineHost().requestFinalScreen(ostrel::RunOutcome{}); });
        worker.join();
        QTest::qWait(300);
        QCOMPARE(finals.count(), 0);
        QElapsedTimer sinceSheet;
        h->media->release();
        QTRY_VERIFY(!c.previewSession());
        sinceSheet.start();
        QVERIFY(!c.clearPreviewWindow()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(finals.count(), 1, 5000);
        QVERIFY2(sinceSheet.elapsed() >= 900, "the final screen comes a second after the sheet");
        QTest::qWait(1300);
        QCOMPARE(finals.count(), 1);
        QCOMPARE(h->dialogs->countModal("SaveFile_Info_Window"), 1);
        QCOMPARE(c.runState().stop_screen_already_show.load(), 1);
    }

    void supportMailLink()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        const QString link = c.supportMailLink();
        QVERIFY(!link.contains(' '));
        QVERIFY(!link.contains('\n'));
        QVERIFY(!link.contains('\r'));
        QVERIFY(!link.contains('"'));
        QVERIFY(link.startsWith("mailto:" + c.profile().support_id + "?subject="));
        const QUrl url = QUrl::fromEncoded(link.toUtf8(), QUrl::StrictMode);
        QVERIFY(url.isValid());
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue("subject", QUrl::FullyDecoded), APP_LONG_NAME + " Question");
        const QString body = query.queryItemValue("body", QUrl::FullyDecoded);
        QVERIFY(body.startsWith("Dear Customer Support,\n\n"));
        QVERIFY(body.contains(APP_LONG_NAME));
        QVERIFY(body.contains("Order number (required)"));
        QVERIFY(body.contains("Operating system"));
        // Quotes and line breaks in the texts are escaped too.
        const QString odd = MyTableController::makeSupportMailLink("help@example.org", "A \"B\"\r\nC");
        QVERIFY(odd.contains("A%20%22B%22%0AC%20Question"));
        QVERIFY(!odd.contains('"') && !odd.contains('\r') && !odd.contains('\n'));
        c.Open_Support_Mail();
        QCOMPARE(h->dialogs->opened.value(0).toEncoded(), link.toUtf8());
        c.Open_Website_1();
        c.Open_Website_2();
        QCOMPARE(h->dialogs->opened.value(1), QUrl(c.profile().Website_1));
        QCOMPARE(h->dialogs->opened.value(2), QUrl(c.profile().Website_2));
    }

};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QApplication app(argc, argv);
    ResultsPreviewHelpTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_results_preview_help.moc"
