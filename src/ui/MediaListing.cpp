// The media table: listing the media on a listing thread under the loading
// panel, the sample media (disk images) after the real ones, the hint of an
// empty list. Main thread, except the listing itself.

#include "ui/MyTableController.h"

#include "media/LinuxMediaPlatform.h"
#include "media/MediaList.h"
#include "media/MediaRows.h"
#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/TableModels.h"
#include "ui_MainWindow.h"
#include "util/TextHelpers.h"

#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>

void MyTableController::Reload_Drive_list_Function()
{
    // Step 2 at once: no stale row can be chosen while the listing runs.
    mediaModel_->clear();
    showEmptyMediaHint(false);
    if (!loadPanel_)
        loadPanel_ = new LoadDiskPanel(controlPanel_);
    loadPanel_->show();
    if (listingInFlight_) {
        reloadPending_ = true; // the running listing is stale; list again when it is back
        return;
    }
    startListing();
}

void MyTableController::startListing()
{
    if (listing_.joinable())
        listing_.join(); // an earlier listing that has already delivered
    listingInFlight_ = true;
    const quint64 generation = ++listingGeneration_;
    const EditionProfile profile = profile_;
    const auto factory = options_.mediaPlatform;
    listing_ = std::thread([this, generation, profile, factory] {
        QList<MyDataObject> rows;
        try {
            std::unique_ptr<MediaPlatform> platform =
                factory ? factory() : std::unique_ptr<MediaPlatform>(std::make_unique<LinuxMediaPlatform>());
            if (platform)
                rows = ::Reload_Drive_list_Function(profile, *platform);
        } catch (const std::exception& e) {
            Show_NSLog_Message(QString::fromLocal8Bit(e.what()));
        }
        onMainThread([this, generation, rows]() { mediaListArrived(generation, rows); }, false);
    });
}

void MyTableController::mediaListArrived(quint64 generation, QList<MyDataObject> rows)
{
    if (generation != listingGeneration_)
        return;
    listingInFlight_ = false;
    if (listing_.joinable())
        listing_.join();
    if (reloadPending_) {
        reloadPending_ = false;
        startListing();
        return;
    }
    rows.append(sampleRows());
    showEmptyMediaHint(rows.isEmpty());
    mediaModel_->setRows(std::move(rows));
    if (loadPanel_)
        loadPanel_->hide();
    controlPanel_->raise();
    controlPanel_->activateWindow();
    emit mediaListReloaded();
}

QList<MyDataObject> MyTableController::sampleRows() const
{
    QList<MyDataObject> rows;
    for (const SampleMedium& m : options_.sampleMedia) {
        const QFileInfo info(m.imagePath);
        const quint64 bytes = static_cast<quint64>(info.size());
        const QString identifier = m.identifier.isEmpty() ? info.fileName() : m.identifier;
        const QString volume = m.volumeName.isEmpty() ? QStringLiteral("SAMPLE") : m.volumeName;
        rows.append(MyDataObject(identifier, volume, QStringLiteral("Disk image"), getMPSize(QString::number(bytes)),
                                 QStringLiteral("image"), QString::number(bytes / kSectorBytes)));
    }
    return rows;
}

QString MyTableController::sourcePathFor(const QString& identifier) const
{
    for (const SampleMedium& m : options_.sampleMedia) {
        const QString id = m.identifier.isEmpty() ? QFileInfo(m.imagePath).fileName() : m.identifier;
        if (id == identifier)
            return m.imagePath;
    }
    return QString();
}

void MyTableController::showEmptyMediaHint(bool show)
{
    if (!emptyMediaHint_)
        return;
    emptyMediaHint_->setGeometry(ui->idTableView->viewport()->rect().adjusted(12, 12, -12, -12));
    emptyMediaHint_->setVisible(show);
}

void MyTableController::rebresh_drives()
{
    Reload_Drive_list_Function();
}

void MyTableController::deleteSelectedRow()
{
    const QModelIndexList selected = ui->idTableView->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    mediaModel_->removeRowAt(selected.first().row());
}
