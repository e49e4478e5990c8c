// The preview pane of the raw-file, video and audio results: selecting a
// found file shows it as a playing movie when the movie framework opens it,
// otherwise as a thumbnail of at most 200 x 200, otherwise as the icon of
// its type at 200 x 200. While a preview is being made the wait sheet
// (`ClearPreview_Window`) is up and `session` is set; a search that ends
// meanwhile leaves its final screen to the preview, which asks for it one
// second after the sheet has gone.
//
// Nothing here blocks the window: the movie framework answers through a
// signal and thumbnails are decoded on the thumbnail cache's threads. A
// newer selection supersedes a preview still in progress (the sheet is
// window-modal, so this only happens from code).

#include "ui/MyTableController.h"

#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/MediaControls.h"
#include "ui/PreviewMedia.h"
#include "ui/ResultsModel.h"
#include "ui/ThumbnailCache.h"
#include "ui_MainWindow.h"
#include "wizard/PreviewChoice.h"

#include <QFileInfo>
#include <QScrollBar>
#include <QTimer>
#include <QVideoWidget>

namespace {
constexpr int kPreviewSide = 200;
constexpr int kDeferredFinalScreenMs = 1000;
} // namespace

ClearPreview_Modeless* MyTableController::clearPreviewWindow()
{
    if (!clearPreview_)
        clearPreview_ = new ClearPreview_Modeless(controlPanel_);
    return clearPreview_;
}

void MyTableController::closemovie_Win()
{
    if (previewMedia_)
        previewMedia_->close();
    if (mediaControls_)
        mediaControls_->hide();
}

void MyTableController::movieOpened(const QString& path, bool playable)
{
    if (path != previewPath_ || !session)
        return; // an answer for a preview that was superseded
    Ui::MainWindow& w = *ui;
    if (wizard::choosePreview(playable, false, false) != PreviewKind::Movie) {
        w._QuickLook_View->show();
        w.mMovieView->hide();
        Image_Preview(path, QFileInfo(path).fileName());
        return;
    }
    // Sound alone would leave an empty movie view: its type icon instead,
    // with the length under it.
    const bool pictures = previewMedia_->hasVideo();
    w.mMovieView->setVisible(pictures);
    w._QuickLook_View->setVisible(!pictures);
    if (!pictures)
        w._QuickLook_View->setPixmap(iconForExtension(path).pixmap(kPreviewSide, kPreviewSide));
    mediaControls_->reset();
    mediaControls_->show();
    previewMedia_->play();
    finishPreview(previewGeneration_, path, static_cast<int>(PreviewKind::Movie));
}

void MyTableController::CreateFile_QuickLook_View(const QVariantList& args)
{
    const QString path = args.value(0).toString();
    ++previewGeneration_;
    previewPath_ = path;
    // The wait sheet over the main window; it is drawn by the event loop
    // while the preview is prepared.
    try {
        ClearPreview_Modeless* sheet = clearPreviewWindow();
        sheet->show();
        session = true;
    } catch (const std::exception&) {
        // The preview goes on without its sheet.
    }
    QuickLook_Preview_Thread(path);
}

void MyTableController::QuickLook_Preview_Thread(const QString& path)
{
    setQuickLook_View(path);
}

void MyTableController::setQuickLook_View(const QString& path)
{
    const quint64 generation = previewGeneration_;
    // Still pictures go straight to the thumbnail (see isStillPicture).
    const bool still = !path.isEmpty() && previewMedia_ && isStillPicture(path);
    switch (wizard::previewStart(path, previewMedia_ != nullptr, still)) {
    case wizard::PreviewStart::Nothing:
        finishPreview(generation, path, static_cast<int>(PreviewKind::Nothing));
        return;
    case wizard::PreviewStart::Picture: {
        Ui::MainWindow& w = *ui;
        w._QuickLook_View->show();
        w.mMovieView->hide();
        Image_Preview(path, QFileInfo(path).fileName());
        return;
    }
    case wizard::PreviewStart::AskMovie:
        // The answer comes through PreviewMedia::opened (connected in
        // awakeFromNib), which continues in movieOpened.
        previewMedia_->open(path);
        return;
    }
}

void MyTableController::Image_Preview(const QString& path, const QString&)
{
    const quint64 generation = previewGeneration_;
    if (path.isEmpty()) {
        finishPreview(generation, path, static_cast<int>(PreviewKind::Nothing));
        return;
    }
    thumbnails_->run([path] { return ThumbnailCache::decodePicture(path, kPreviewSide); },
                     [this, generation, path](const QImage& thumbnail) {
                         if (generation != previewGeneration_)
                             return; // superseded by a newer selection
                         const QIcon icon = thumbnail.isNull() ? iconForExtension(path) : QIcon();
                         const PreviewKind kind = wizard::choosePreview(false, !thumbnail.isNull(), !icon.isNull());
                         if (kind == PreviewKind::Thumbnail)
                             ui->_QuickLook_View->setPixmap(QPixmap::fromImage(thumbnail));
                         else if (kind == PreviewKind::Icon)
                             ui->_QuickLook_View->setPixmap(icon.pixmap(kPreviewSide, kPreviewSide));
                         else
                             ui->_QuickLook_View->clear();
                         finishPreview(generation, path, static_cast<int>(kind));
                     });
}

void MyTableController::finishPreview(quint64 generation, const QString& path, int kind)
{
    if (generation != previewGeneration_)
        return;
    if (session) {
        if (clearPreview_)
            clearPreview_->hide();
        session = false;
    }
    // The search ended while the sheet was up, and its final screen waited
    // for us (both on the main thread, so nothing can slip in between):
    // show it a second after the sheet has gone.
    if (finalScreenPending_) {
        finalScreenPending_ = false;
        const quint64 run = host_->generation();
        QTimer::singleShot(kDeferredFinalScreenMs, this, [this, run] {
            if (run == host_->generation())
                Final_or_Stop_Screen();
        });
    }
    emit previewFinished(path, kind);
}

void MyTableController::scrollerAction(QScrollBar* scroller, int action)
{
    if (!scroller)
        return;
    const int span = scroller->maximum() - scroller->minimum();
    if (span <= 0)
        return;
    double step = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: step = -0.05; break;
    case QAbstractSlider::SliderSingleStepAdd: step = 0.05; break;
    case QAbstractSlider::SliderPageStepSub: step = -0.2; break;
    case QAbstractSlider::SliderPageStepAdd: step = 0.2; break;
    default: return; // the knob, the slot, no part: the scroller's own doing
    }
    const double value = double(scroller->value() - scroller->minimum()) / span + step;
    const int position = scroller->minimum() + static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * span));
    scroller->setSliderPosition(position);
}
