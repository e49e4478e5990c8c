#include "ui/ResultsModel.h"

#include "ui/PlainText.h"
#include "ui/ThumbnailCache.h"

#include <QFileIconProvider>
#include <QIcon>
#include <QPainter>

#include <algorithm>

ResultsModel::ResultsModel(QObject* parent) : QAbstractListModel(parent) {}

const MyImageObject* ResultsModel::itemAt(qsizetype index) const
{
    return index >= 0 && index < images_.size() ? &images_.at(index) : nullptr;
}

void ResultsModel::append(MyImageObject item)
{
    const int at = static_cast<int>(images_.size());
    beginInsertRows(QModelIndex(), at, at);
    images_.append(std::move(item));
    endInsertRows();
}

void ResultsModel::clear()
{
    beginResetModel();
    images_.clear();
    endResetModel();
}

void ResultsModel::removeItems(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (row < 0 || row >= images_.size())
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        images_.removeAt(row);
        endRemoveRows();
    }
}

bool ResultsModel::moveItems(QList<int> rows, int target)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [this](int r) { return r < 0 || r >= images_.size(); }),
               rows.end());
    if (rows.isEmpty())
        return true;
    target = std::clamp(target, 0, static_cast<int>(images_.size()));
    const int below = static_cast<int>(std::count_if(rows.begin(), rows.end(), [target](int r) { return r < target; }));
    const int destination = target - below;

    beginResetModel(); // a block of scattered rows: one reset is simpler than many moves
    QList<MyImageObject> taken;
    taken.reserve(rows.size());
    for (int r : rows)
        taken.append(images_.at(r));
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        images_.removeAt(*it);
    for (qsizetype i = 0; i < taken.size(); ++i)
        images_.insert(destination + i, std::move(taken[i]));
    endResetModel();
    return true;
}

QList<int> ResultsModel::pendingRows(const QString& path) const
{
    QList<int> rows;
    // New items sit at the end, where answers are most often for.
    for (int i = static_cast<int>(images_.size()) - 1; i >= 0; --i) {
        if (images_.at(i).testPending && images_.at(i).path == path)
            rows.append(i);
    }
    return rows;
}

void ResultsModel::markDecodable(int row)
{
    if (row < 0 || row >= images_.size())
        return;
    images_[row].testPending = false;
    changed(row);
}

void ResultsModel::makePlaceholder(int row, const QByteArray& data, const QString& placeholderPath)
{
    if (row < 0 || row >= images_.size())
        return;
    MyImageObject& item = images_[row];
    item.testPending = false;
    item.imageData = data;
    item.setPath(placeholderPath);
    changed(row);
}

void ResultsModel::pictureArrived(const QString& path)
{
    for (int i = 0; i < images_.size(); ++i) {
        if (!images_.at(i).testPending && images_.at(i).path == path)
            changed(i);
    }
}

int ResultsModel::pendingCount() const
{
    return static_cast<int>(
        std::count_if(images_.begin(), images_.end(), [](const MyImageObject& o) { return o.testPending; }));
}

void ResultsModel::changed(int row)
{
    const QModelIndex i = index(row, 0);
    emit dataChanged(i, i, {Qt::DecorationRole, Qt::ToolTipRole});
}

void ResultsModel::setPhotoMode(bool photo)
{
    if (photo_ == photo)
        return;
    beginResetModel();
    photo_ = photo;
    endResetModel();
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(images_.size());
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
}

QPixmap ResultsModel::framePixmap() const
{
    // A quiet frame for a photo whose picture is still being decoded.
    if (frame_.isNull()) {
        QPixmap p(kThumbnailSide, kThumbnailSide * 3 / 4);
        p.fill(Qt::transparent);
        QPainter painter(&p);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(200, 208, 220), 2));
        painter.setBrush(QColor(238, 242, 247));
        painter.drawRoundedRect(QRectF(p.rect()).adjusted(2, 2, -2, -2), 8, 8);
        frame_ = p;
    }
    return frame_;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    const MyImageObject* item = index.isValid() ? itemAt(index.row()) : nullptr;
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return item->imageTitle();
    case Qt::ToolTipRole:
        return plainToolTip(item->path);
    case Qt::DecorationRole: {
        if (!photo_)
            return item->image;
        if (item->testPending)
            return QIcon(framePixmap());
        if (item->isPlaceholder()) {
            if (placeholderPixmap_.isNull() && !item->imageData.isEmpty())
                placeholderPixmap_.loadFromData(item->imageData);
            if (!placeholderPixmap_.isNull())
                return QIcon(placeholderPixmap_);
            return QFileIconProvider().icon(QFileIconProvider::File);
        }
        const QImage picture = cache_ ? cache_->picture(item->path) : QImage();
        if (picture.isNull()) {
            // Dropped from the cache to save memory: decode it again.
            if (cache_)
                const_cast<ThumbnailCache*>(cache_)->request(item->path, kThumbnailSide);
            return QIcon(framePixmap());
        }
        return QIcon(QPixmap::fromImage(picture));
    }
    default:
        return {};
    }
}
