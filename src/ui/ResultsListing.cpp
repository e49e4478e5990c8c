// Listing found files in the results browsers, and what the user does with
// the listed items: removing, moving, opening, zooming, selecting.
//
// Photos: the decodability test of a listed photo (does it decode to a
// thumbnail?) runs on the thumbnail cache's worker threads, so a search that
// lists thousands of photos never decodes on the window's thread. The item
// is listed at once and shows a neutral frame; when the test answers it
// shows the picture, or it becomes the "NoPreview.png" placeholder item.

#include "ui/MyTableController.h"

#include "ui/ControlPanelWindow.h"
#include "ui/PreviewMedia.h"
#include "ui/ResultsBrowserView.h"
#include "ui/ResultsModel.h"
#include "ui/TableModels.h"
#include "ui/ThumbnailCache.h"
#include "ui/WindowDialogs.h"
#include "ui_MainWindow.h"
#include "util/TextHelpers.h"
#include "wizard/ListingRules.h"

#include <QFileInfo>
#include <QItemSelectionModel>
#include <QUrl>

// The cap and count rules shared by both browsers (wizard/ListingRules.h):
// the trimmed path when the file is to be listed, else empty.
QString MyTableController::pathToList(const QString& path)
{
    switch (wizard::listingFor(static_cast<quint64>(resultsModel_->size()), state_.Listed_File_Count.load(),
                               options_.engineOptions.fileListClearLimit)) {
    case wizard::Listing::CountOnly: ++state_.Listed_File_Count; return QString();
    case wizard::Listing::Neither: return QString();
    case wizard::Listing::Show: break;
    }
    return Trim_Str(path);
}

void MyTableController::addImageWithPath(const QString& path, const QString& imageName, const QString& imageUid)
{
    const QString trimmed = pathToList(path);
    if (trimmed.isEmpty())
        return;
    MyImageObject item = MyImageObject::initWithImage_Path(trimmed, imageName, imageUid);
    if (thumbnails_->failed(trimmed)) {
        // Tried before (the same file listed again): the placeholder at once.
        noprevfile = resourceDir_ + QStringLiteral("/NoPreview.png");
        item = MyImageObject::initWithImage_data(Null_Image_Data, imageName, imageUid);
        item.setPath(noprevfile);
    } else if (thumbnails_->picture(trimmed).isNull()) {
        item.testPending = true;
        thumbnails_->request(trimmed, ResultsModel::kThumbnailSide);
    }
    resultsModel_->append(std::move(item));
    if (wizard::scrollsToEnd(++state_.Listed_File_Count, 0))
        ui->imageBrowser->scrollToBottom();
}

void MyTableController::photoDecoded(const QString& path, bool ok)
{
    const QList<int> rows = resultsModel_->pendingRows(path);
    if (rows.isEmpty()) {
        if (ok)
            resultsModel_->pictureArrived(path); // decoded again after it left the cache
        return;
    }
    for (int row : rows) {
        if (ok) {
            resultsModel_->markDecodable(row);
        } else {
            noprevfile = resourceDir_ + QStringLiteral("/NoPreview.png");
            resultsModel_->makePlaceholder(row, Null_Image_Data, noprevfile);
        }
    }
}

void MyTableController::addImageWithPath_2(const QString& path, const QString& imageName, const QString& imageUid,
                                           const QString& type, quint64 typeCount)
{
    const QString trimmed = pathToList(path);
    if (trimmed.isEmpty())
        return;
    // The type icon; QIcon is drawn sharp at whatever size the list uses.
    MyImageObject item = MyImageObject::initWithImage(iconForExtension(trimmed), imageName, imageUid, 0, 0);
    item.setPath(trimmed);
    resultsModel_->append(std::move(item));

    // The summary row of the file's type shows the engine's count; a type
    // the content of a file proved (a NEF found by the TIFF header) gets a
    // row of its own.
    const QList<QVariantMap>& rows = summaryModel_->rows();
    int row = 0;
    while (row < rows.size() && rows.at(row).value(QStringLiteral("FileTypes_Hidden")).toString() != type)
        ++row;
    const QVariantMap values{{QStringLiteral("FileTypes"), type},
                             {QStringLiteral("NoOfFile"), QString::number(typeCount)},
                             {QStringLiteral("FileName"), imageName},
                             {QStringLiteral("FilePath"), trimmed},
                             {QStringLiteral("FileTypes_Hidden"), type}};
    if (row < rows.size())
        summaryModel_->replaceRow(row, values);
    else
        summaryModel_->appendRow(values);
    if (wizard::scrollsToEnd(++state_.Listed_File_Count, 2))
        ui->imageBrowser_2->scrollToBottom();
}

// ---------------------------------------------------------------------------
// The browsers' gestures

void MyTableController::imageBrowser_removeItemsAtIndexes(QWidget* browser, const QList<int>& rows)
{
    const bool second = browser == ui->imageBrowser_2;
    resultsModel_->removeItems(rows);
    // The previewed item may have moved; the next selection previews afresh.
    if (second)
        Prev_Index = kNoPreviewIndex;
}

bool MyTableController::imageBrowser_moveItemsAtIndexes(QWidget* browser, const QList<int>& rows, int target)
{
    const bool moved = resultsModel_->moveItems(rows, target);
    if (browser == ui->imageBrowser_2)
        Prev_Index = kNoPreviewIndex;
    return moved;
}

int MyTableController::imageBrowser_writeItemsAtIndexes(QWidget*, const QList<int>&)
{
    return 0;
}

void MyTableController::imageBrowser_cellWasDoubleClickedAtIndex(QWidget* browser, int row)
{
    const MyImageObject* item = resultsModel_->itemAt(row);
    if (!item)
        return;
    if (browser == ui->imageBrowser && (item->isPlaceholder() || item->testPending))
        return;
    dialogs_->openLocation(QUrl::fromLocalFile(item->path));
}

void MyTableController::zoomSliderDidChange()
{
    // The slider runs 0..100 for the zoom 0..1: from small icons (40 px) to
    // the size the pictures are decoded at.
    const double zoom = ui->_zoom_slider->value() / 100.0;
    const int side = 40 + static_cast<int>(zoom * (ResultsModel::kThumbnailSide - 40));
    ui->imageBrowser->setIconSize(QSize(side, side));
    ui->imageBrowser->setGridSize(QSize(side + 28, side + 48));
    ui->imageBrowser->viewport()->update();
}

void MyTableController::imageBrowserSelectionDidChange()
{
    const QModelIndexList selected = ui->imageBrowser_2->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    int first = selected.first().row();
    for (const QModelIndex& i : selected)
        first = std::min(first, i.row());
    if (first < 0 || first >= resultsModel_->size() || static_cast<quint64>(first) == Prev_Index)
        return;
    Prev_Index = static_cast<quint64>(first);
    ui->_QuickLook_View->clear();
    closemovie_Win();
    const MyImageObject* item = resultsModel_->itemAt(first);
    if (!item)
        return;
    ui->_QuickLook_View_Box->setTitle(QFileInfo(item->path).fileName());
    CreateFile_QuickLook_View({item->path, QVariant::fromValue(item->File_Start_Sector),
                               QVariant::fromValue(item->File_End_Sector)});
}
