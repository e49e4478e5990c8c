// Results browsers, preview and help windows of the real window, on the
// offscreen platform: photo listing (decodable photo vs the "NoPreview.png"
// placeholder, decoded off the main thread), the listing cap and count rules
// with a small injected cap, moving and removing items (files stay on disk),
// double clicks, the summary rows, the preview's choice of movie, thumbnail
// or icon with a scripted movie framework, the Prev_Index rules, the wait
// sheet and the deferred final screen, the scroller steps, the support mail
// link, the copy actions, the link buttons and the help file. One test opens
// the test material's MP4 with the real QMediaPlayer (ffmpeg backend) and
// skips, saying why, when no media backend can open it here.

#include "UiTestSupport.h"

#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/LinkButton.h"
#include "ui/PreviewMedia.h"
#include "ui/ResultsBrowserView.h"
#include "ui/ResultsModel.h"
#include "ui/TableModels.h"
#include "ui/ThumbnailCache.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <QVideoWidget>

#include <atomic>
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
        QAbstractItemView* view = c.widgets()->imageBrowser_2;
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

    void photoListingDecodableAndPlaceholder()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        const QString good = write("GND00001.JPG", jpegBytes(1600, 1200, QColor(30, 120, 200)));
        const QString broken = write("GND00002.JPG", brokenJpegBytes());
        c.addImageWithPath(QStringLiteral("  ") + good + QStringLiteral("\n"), "GND00001.JPG", "GND00001.JPG");
        c.addImageWithPath(broken, "GND00002.JPG", "GND00002.JPG");
        c.addImageWithPath(QStringLiteral(" \n"), "empty", "empty"); // nothing left after trimming
        QCOMPARE(c.resultsModel()->size(), 2);
        QCOMPARE(c.runState().Listed_File_Count.load(), quint64(2));
        QTRY_COMPARE_WITH_TIMEOUT(c.resultsModel()->pendingCount(), 0, 10000);

        const MyImageObject* photo = c.resultsModel()->itemAt(0);
        QCOMPARE(photo->path, good);
        QVERIFY(!photo->isPlaceholder());
        const QImage picture = c.thumbnailCache()->picture(good);
        QVERIFY(!picture.isNull());
        QVERIFY(picture.width() <= ResultsModel::kThumbnailSide && picture.height() <= ResultsModel::kThumbnailSide);
        const QImage small = ThumbnailCache::decodePicture(good, 100);
        QCOMPARE(small.size(), QSize(100, 75));

        const MyImageObject* placeholder = c.resultsModel()->itemAt(1);
        QVERIFY(placeholder->isPlaceholder());
        QCOMPARE(placeholder->path, c.resourceDir() + "/NoPreview.png");
        QCOMPARE(placeholder->image_Name, QStringLiteral("GND00002.JPG"));
        QFile noPreview(c.resourceDir() + "/NoPreview.png");
        QVERIFY(noPreview.open(QIODevice::ReadOnly));
        QCOMPARE(placeholder->imageData, noPreview.readAll());
        QVERIFY(!placeholder->imageData.isEmpty());
        // Both draw something.
        QVERIFY(!qvariant_cast<QIcon>(c.resultsModel()->data(c.resultsModel()->index(1, 0), Qt::DecorationRole))
                     .isNull());

        // Double click: the photo opens, the placeholder does not.
        c.imageBrowser_cellWasDoubleClickedAtIndex(c.widgets()->imageBrowser, 1);
        QCOMPARE(h->dialogs->opened.size(), 0);
        c.imageBrowser_cellWasDoubleClickedAtIndex(c.widgets()->imageBrowser, 0);
        QCOMPARE(h->dialogs->opened.value(0), QUrl::fromLocalFile(good));
        QCOMPARE(c.imageBrowser_writeItemsAtIndexes(c.widgets()->imageBrowser, {0}), 0);
    }

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
        c.imageBrowser_removeItemsAtIndexes(c.widgets()->imageBrowser, {0, 3});
        QCOMPARE(c.resultsModel()->size(), 3);
        c.addImageWithPath(photo, "7", "7");
        c.addImageWithPath_2(photo, "8", "8", "JPG", 1);
        QCOMPARE(c.resultsModel()->size(), 3);
        QCOMPARE(c.runState().Listed_File_Count.load(), quint64(6));
        // The file of a removed item is still there.
        QVERIFY(QFileInfo::exists(photo));
    }

    void scrollsToTheEndEverySixthPhoto()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        Recovery_MODE = 0;
        c.show_hide_3_screen_Photo(false);
        QListView* view = c.widgets()->imageBrowser;
        view->resize(300, 200);
        const QString photo = write("scroll.png", pngBytes(40, 30, Qt::blue));
        for (int i = 0; i < 30; ++i)
            c.addImageWithPath(photo, QString::number(i), QString::number(i));
        view->scrollToTop();
        QTest::qWait(50);
        QScrollBar* bar = view->verticalScrollBar();
        QVERIFY2(bar->maximum() > 0, "the list must be taller than the view");
        bar->setValue(0);
        for (int i = 30; i < 35; ++i)
            c.addImageWithPath(photo, QString::number(i), QString::number(i));
        QTest::qWait(50);
        QCOMPARE(bar->value(), 0); // the 31st..35th: no scrolling
        c.addImageWithPath(photo, "36", "36"); // the 36th
        QTRY_COMPARE(bar->value(), bar->maximum());
    }

    void moveItemsAsOneBlock()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        const QString file = write("move.pdf", pdfBytes());
        for (int i = 0; i < 6; ++i)
            c.addImageWithPath_2(file, QString("item%1").arg(i), QString::number(i), "PDF", quint64(i + 1));
        QVERIFY(c.imageBrowser_moveItemsAtIndexes(c.widgets()->imageBrowser_2, {2, 1}, 5));
        QStringList order;
        for (const MyImageObject& o : c.resultsModel()->images())
            order << o.image_Name;
        QCOMPARE(order, (QStringList{"item0", "item3", "item4", "item1", "item2", "item5"}));
        // Moving to the end and to the front.
        c.imageBrowser_moveItemsAtIndexes(c.widgets()->imageBrowser_2, {0}, 6);
        QCOMPARE(c.resultsModel()->itemAt(5)->image_Name, QStringLiteral("item0"));
        c.imageBrowser_moveItemsAtIndexes(c.widgets()->imageBrowser_2, {4, 5}, 0);
        QCOMPARE(c.resultsModel()->itemAt(0)->image_Name, QStringLiteral("item5"));
        QCOMPARE(c.resultsModel()->itemAt(1)->image_Name, QStringLiteral("item0"));
        // The view reports a drop position as "before" / "after".
        auto* view = qobject_cast<ResultsBrowserView*>(c.widgets()->imageBrowser_2);
        QVERIFY(view);
        QCOMPARE(view->dropTarget(QPoint(-50, -50)), 6);
        // Removing takes items off the list only.
        c.imageBrowser_removeItemsAtIndexes(view, {0, 1, 2, 3, 4, 5});
        QCOMPARE(c.resultsModel()->size(), 0);
        QVERIFY(QFileInfo::exists(file));
    }

    void summaryRowsAdvance()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        c.createSignatureListTableRecord("MP4", 0, QString(), QString(), "MP4");
        c.createSignatureListTableRecord("PDF", 0, QString(), QString(), "PDF");
        const QString first = write("MP400001.MP4", "not really a movie");
        const QString second = write("MP400002.MP4", "not really a movie");
        c.addImageWithPath_2(first, "MP400001.MP4", "MP400001.MP4", "MP4", 1);
        c.addImageWithPath_2(second, "MP400002.MP4", "MP400002.MP4", "MP4", 2);
        const QList<QVariantMap>& rows = c.summaryModel()->rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("NoOfFile").toString(), QStringLiteral("2"));
        QCOMPARE(rows[0].value("FileName").toString(), QStringLiteral("MP400002.MP4"));
        QCOMPARE(rows[0].value("FilePath").toString(), second);
        QCOMPARE(rows[0].value("FileTypes").toString(), QStringLiteral("MP4"));
        QCOMPARE(rows[1].value("NoOfFile").toString(), QStringLiteral("0"));
        QCOMPARE(rows[1].value("FileName").toString(), QString());
        // The table shows the rows.
        QCOMPARE(c.widgets()->idSigTableView->model()->index(0, 1).data().toString(), QStringLiteral("2"));
        // Items carry a type icon; the first item's path is the file.
        QVERIFY(!c.resultsModel()->itemAt(0)->image.isNull());
        QCOMPARE(c.resultsModel()->itemAt(0)->path, first);
        c.imageBrowser_cellWasDoubleClickedAtIndex(c.widgets()->imageBrowser_2, 0);
        QCOMPARE(h->dialogs->opened.value(0), QUrl::fromLocalFile(first));
    }

    void previewRuleIsMovieThenThumbnailThenIcon()
    {
        const QImage image(10, 10, QImage::Format_RGB32);
        const QIcon icon(QStringLiteral(":/icons/file.svg"));
        QCOMPARE(choosePreview(true, image, icon), PreviewKind::Movie);
        QCOMPARE(choosePreview(false, image, icon), PreviewKind::Thumbnail);
        QCOMPARE(choosePreview(false, QImage(), icon), PreviewKind::Icon);
        QCOMPARE(choosePreview(false, QImage(), QIcon()), PreviewKind::Nothing);
    }

    void previewChoosesMovieThumbnailOrIcon()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        showFileResults(c, 2);
        Ui::MainWindow* w = c.widgets();
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
        QVERIFY(w->mMovieView->isVisibleTo(c.controlPanel()));
        QVERIFY(!w->_QuickLook_View->isVisibleTo(c.controlPanel()));
        QCOMPARE(w->_QuickLook_View_Box->title(), QStringLiteral("MP400001.MP4"));

        selectRow(c, 1);
        QTRY_COMPARE(done.count(), 2);
        QCOMPARE(done.last().value(1).toInt(), int(PreviewKind::Thumbnail));
        QCOMPARE(h->media->openedPaths.size(), 1); // a still picture is not offered as a movie
        QVERIFY(w->_QuickLook_View->isVisibleTo(c.controlPanel()));
        QVERIFY(!w->mMovieView->isVisibleTo(c.controlPanel()));
        const QPixmap thumbnail = w->_QuickLook_View->pixmap();
        QCOMPARE(thumbnail.size(), QSize(200, 150));

        selectRow(c, 2);
        QTRY_COMPARE(done.count(), 3);
        QCOMPARE(done.last().value(1).toInt(), int(PreviewKind::Icon));
        QCOMPARE(h->media->openedPaths.size(), 2);
        QVERIFY(!w->_QuickLook_View->pixmap().isNull());
        QVERIFY(w->_QuickLook_View->pixmap().width() <= 200);

        // Leaving the results screen stops the movie and empties the pane.
        const int closes = h->media->closes;
        c.show_hide_4_screen_RawFile(true);
        QVERIFY(h->media->closes > closes);
        QVERIFY(w->_QuickLook_View->pixmap().isNull());
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
        c.widgets()->imageBrowser_2->clearSelection();
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
        c.beginPass(1, true, QStringLiteral("label")); // from the main thread the mailbox runs it at once
        QTRY_COMPARE(c.previewIndex(), MyTableController::kNoPreviewIndex);
        QCOMPARE(c.widgets()->_QuickLook_View_Box->title(), QStringLiteral("No file is selected to preview"));
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
        std::thread worker([&] { c.requestFinalScreen(ostrel::RunOutcome{}); });
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

    void scrollerSteps()
    {
        auto h = makeHarness();
        QScrollBar bar(Qt::Vertical);
        bar.setRange(0, 1000);
        bar.setValue(500);
        h->c().scrollerAction(&bar, QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(bar.sliderPosition(), 550);
        h->c().scrollerAction(&bar, QAbstractSlider::SliderPageStepSub);
        QCOMPARE(bar.sliderPosition(), 350);
        h->c().scrollerAction(&bar, QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(bar.sliderPosition(), 300);
        h->c().scrollerAction(&bar, QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(bar.sliderPosition(), 500);
        h->c().scrollerAction(&bar, QAbstractSlider::SliderMove);
        QCOMPARE(bar.sliderPosition(), 500);
        bar.setValue(990);
        h->c().scrollerAction(&bar, QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(bar.sliderPosition(), 1000);
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

    void copyActionsLeaveExactlyTheText()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText("something else");
        c.Copy_Email();
        QCOMPARE(clipboard->text(), c.profile().support_id);
        QCOMPARE(h->dialogs->messages().value(0), QStringLiteral("\nText copied successfully."));
        c.Copy_URL();
        QCOMPARE(clipboard->text(), c.profile().Website_1);
        c.Copy_URL_2();
        QCOMPARE(clipboard->text(), c.profile().Website_2);
        QCOMPARE(h->dialogs->countMessage("\nText copied successfully."), 3);
    }

    void linkWindows()
    {
        auto h = makeHarness();
        MyTableController& c = h->c();
        const QString site = websiteLinkTitle(c.profile().Website_1);
        QVERIFY(!site.startsWith("https://www."));
        QVERIFY(c.profile().Website_1.endsWith(site));

        // About: title, caption, links; the website link opens the site.
        h->dialogs->onModal = [&](QDialog* window) {
            auto* about = qobject_cast<AboutWindow*>(window);
            QVERIFY(about);
            QCOMPARE(about->windowTitle(), "About " + APP_LONG_NAME);
            QCOMPARE(about->productCaption(), APP_LONG_NAME);
            QCOMPARE(about->websiteLink()->text(), site);
            QCOMPARE(about->supportLink()->text(), c.profile().support_id);
            const QFont f = about->websiteLink()->font();
            QVERIFY(f.bold() && f.underline());
            QCOMPARE(about->supportLink()->cursor().shape(), Qt::OpenHandCursor);
            about->websiteLink()->click();
            about->supportLink()->click();
        };
        c.About_btn();
        QCOMPARE(h->dialogs->countModal("AboutWindow"), 1);
        QCOMPARE(h->dialogs->opened.value(0), QUrl(c.profile().Website_1));
        QCOMPARE(h->dialogs->opened.value(1).toEncoded(), c.supportMailLink().toUtf8());

        // Help and support: copy buttons and the help file.
        h->dialogs->onModal = [&](QDialog* window) {
            auto* help = qobject_cast<Help_Support*>(window);
            QVERIFY(help);
            QCOMPARE(help->websiteLink()->text(), site);
            qobject_cast<QAbstractButton*>(help->button("_copy_email_btn"))->click();
            qobject_cast<QAbstractButton*>(help->button("_help_file_btn"))->click();
        };
        c.Contact_Us_btn();
        QCOMPARE(h->dialogs->countModal("HelpWindow"), 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), c.profile().support_id);

        // After-search window carries its links too.
        SaveFile_Info* info = c.saveFileInfoWindow();
        QCOMPARE(info->websiteLink()->text(), site);
        QCOMPARE(info->supportLink()->text(), c.profile().support_id);
    }

    void helpFileMissingAndPresent()
    {
        QTemporaryDir resources;
        for (const QFileInfo& f : QDir(QStringLiteral(OSTREL_RESOURCE_DIR)).entryInfoList({"*.dll", "*.png"}))
            QFile::copy(f.filePath(), QDir(resources.path()).filePath(f.fileName()));
        HarnessConfig config;
        config.resourceDir = resources.path();
        auto h = makeHarness(config);
        h->c().Help_btn();
        QCOMPARE(h->dialogs->messages(), QStringList{QStringLiteral("\nHelp file does not exist!")});
        QCOMPARE(h->dialogs->alerts.value(0).buttons, QStringList{QStringLiteral("OK")});
        QCOMPARE(h->dialogs->opened.size(), 0);
        QFile pdf(QDir(resources.path()).filePath("Help.pdf"));
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.write(pdfBytes());
        pdf.close();
        h->c().HelpFilePressed();
        QCOMPARE(h->dialogs->opened.value(0), QUrl::fromLocalFile(pdf.fileName()));
        QCOMPARE(h->dialogs->alerts.size(), 1);
    }

    void realPlayerPlaysAnMp4()
    {
        const QString clip = QStringLiteral(OSTREL_SOURCE_DIR "/tests/material/clip.mp4");
        if (!QFileInfo::exists(clip))
            QSKIP("the test material clip.mp4 is missing");
        const QString text = write("notes.txt", "plain text, not a movie");
        QVideoWidget view;
        PlayerPreviewMedia media(&view, 8000);
        QSignalSpy opened(&media, &PreviewMedia::opened);
        media.open(clip);
        QVERIFY(opened.wait(10000) || opened.count() == 1);
        if (!opened.last().value(1).toBool())
            QSKIP("no Qt Multimedia backend could open the clip here (set QT_MEDIA_BACKEND=ffmpeg)");
        QCOMPARE(opened.last().value(0).toString(), clip);
        media.play();
        media.open(text);
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 2, 10000);
        QCOMPARE(opened.last().value(1).toBool(), false);
        media.close();
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
