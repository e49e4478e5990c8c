// Listing found files in the results browsers, the zoom, the selection of
// the second browser, and the help and information buttons. The thumbnails,
// the preview and the help windows are kept deliberately simple here; they
// are the results browser's and the preview's own business.

#include "app/MyTableController.h"

#include "ui/ControlPanelWindow.h"
#include "ui/ResultsModel.h"
#include "ui/TableModels.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"
#include "util/TextHelpers.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QMimeDatabase>
#include <QUrl>

namespace {

// The decodability test of a photo: a thumbnail of at most 100 pixels,
// orientation applied. A null image when the file cannot be decoded.
QImage decodabilityThumbnail(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > 100 || size.height() > 100))
        reader.setScaledSize(size.scaled(100, 100, Qt::KeepAspectRatio));
    return reader.read();
}

QIcon iconForExtension(const QString& path)
{
    static QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/icons/file.svg"));
    return icon;
}

} // namespace

void MyTableController::addImageWithPath(const QString& path, const QString& imageName, const QString& imageUid)
{
    const quint64 limit = options_.engineOptions.fileListClearLimit;
    // The browser is full: the file is counted, not shown.
    if (static_cast<quint64>(resultsModel_->size()) >= limit) {
        ++state_.Listed_File_Count;
        return;
    }
    // The count reached the limit while items were removed: neither shown
    // nor counted until the next clearing.
    if (state_.Listed_File_Count.load() >= limit)
        return;
    const QString trimmed = Trim_Str(path);
    if (trimmed.isEmpty())
        return;
    MyImageObject item;
    const QImage thumbnail = decodabilityThumbnail(trimmed);
    if (!thumbnail.isNull()) {
        item = MyImageObject::initWithImage_Path(trimmed, imageName, imageUid);
        item.thumbnail = thumbnail;
    } else {
        noprevfile = resourceDir_ + QStringLiteral("/NoPreview.png");
        item = MyImageObject::initWithImage_data(Null_Image_Data, imageName, imageUid);
        item.setPath(noprevfile);
    }
    resultsModel_->append(std::move(item));
    const quint64 count = ++state_.Listed_File_Count;
    if (count % 6 == 0)
        ui->imageBrowser->scrollToBottom();
}

void MyTableController::addImageWithPath_2(const QString& path, const QString& imageName, const QString& imageUid)
{
    const quint64 limit = options_.engineOptions.fileListClearLimit;
    if (static_cast<quint64>(resultsModel_->size()) >= limit) {
        ++state_.Listed_File_Count;
        return;
    }
    if (state_.Listed_File_Count.load() >= limit)
        return;
    const QString trimmed = Trim_Str(path);
    if (trimmed.isEmpty())
        return;
    MyImageObject item = MyImageObject::initWithImage(iconForExtension(trimmed), imageName, imageUid, 0, 0);
    item.setPath(trimmed);
    resultsModel_->append(std::move(item));

    // The summary row of the file's type counts it.
    const QString extension = QFileInfo(trimmed).suffix();
    const QList<QVariantMap>& rows = summaryModel_->rows();
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).value(QStringLiteral("FileTypes_Hidden")).toString() != extension)
            continue;
        const quint64 count = rows.at(i).value(QStringLiteral("NoOfFile")).toString().toULongLong() + 1;
        summaryModel_->replaceRow(i, {{QStringLiteral("FileTypes"), extension},
                                      {QStringLiteral("NoOfFile"), QString::number(count)},
                                      {QStringLiteral("FileName"), imageName},
                                      {QStringLiteral("FilePath"), trimmed},
                                      {QStringLiteral("FileTypes_Hidden"), extension}});
        break;
    }
    const quint64 count = ++state_.Listed_File_Count;
    if (count % 4 == 0)
        ui->imageBrowser_2->scrollToBottom();
}

void MyTableController::zoomSliderDidChange()
{
    // The slider runs 0..100 for the zoom 0..1; the browser zooms from small
    // icons to large thumbnails.
    const double zoom = ui->_zoom_slider->value() / 100.0 + 0.05;
    const int side = 40 + static_cast<int>(zoom * 120);
    ui->imageBrowser->setIconSize(QSize(side, side));
    ui->imageBrowser->setGridSize(QSize(side + 44, side + 36));
}

void MyTableController::imageBrowserSelectionDidChange()
{
    const QModelIndexList selected = ui->imageBrowser_2->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    int first = selected.first().row();
    for (const QModelIndex& i : selected)
        first = std::min(first, i.row());
    if (static_cast<quint64>(first) == Prev_Index)
        return;
    Prev_Index = static_cast<quint64>(first);
    ui->_QuickLook_View->clear();
    closemovie_Win();
    const MyImageObject* item = resultsModel_->itemAt(first);
    if (!item)
        return;
    ui->_QuickLook_View_Box->setTitle(QFileInfo(item->path).fileName());
    CreateFile_QuickLook_View(item->path);
}

void MyTableController::closemovie_Win()
{
    // No movie is played in this pane yet.
}

void MyTableController::CreateFile_QuickLook_View(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid())
        reader.setScaledSize(size.scaled(200, 200, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (!image.isNull()) {
        ui->_QuickLook_View->setPixmap(QPixmap::fromImage(image));
        return;
    }
    ui->_QuickLook_View->setPixmap(iconForExtension(path).pixmap(200, 200));
}

// ---------------------------------------------------------------------------
// Help and information

void MyTableController::About_btn()
{
    controlPanel_->raise();
    dialogs_->runAlert(controlPanel_, {QStringLiteral("About ") + APP_LONG_NAME,
                                       APP_LONG_NAME + QStringLiteral("\n") + profile_.Website_1,
                                       {wintexts::ok}, AlertText::Kind::Information});
}

void MyTableController::Help_btn()
{
    const QString help = resourceDir_ + QStringLiteral("/Help.pdf");
    if (!QFileInfo::exists(help)) {
        dialogs_->runAlert(controlPanel_, {wintexts::helpFileMissing, QString(), {wintexts::ok},
                                           AlertText::Kind::Information});
        return;
    }
    dialogs_->openLocation(QUrl::fromLocalFile(help));
}

void MyTableController::Contact_Us_btn()
{
    dialogs_->runAlert(controlPanel_, {QStringLiteral("Help and support"),
                                       profile_.support_id + QStringLiteral("\n") + profile_.Website_2,
                                       {wintexts::ok}, AlertText::Kind::Information});
}
