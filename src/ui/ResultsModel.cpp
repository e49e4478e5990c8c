#include "ui/ResultsModel.h"

#include <QFileIconProvider>

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

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    const MyImageObject* item = index.isValid() ? itemAt(index.row()) : nullptr;
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return item->imageTitle();
    case Qt::ToolTipRole:
        return item->path;
    case Qt::DecorationRole:
        if (!photo_)
            return item->image;
        if (item->isPlaceholder()) {
            if (placeholderPixmap_.isNull() && !item->imageData.isEmpty())
                placeholderPixmap_.loadFromData(item->imageData);
            if (!placeholderPixmap_.isNull())
                return placeholderPixmap_;
            return QFileIconProvider().icon(QFileIconProvider::File);
        }
        if (!item->thumbnail.isNull())
            return QPixmap::fromImage(item->thumbnail);
        return QFileIconProvider().icon(QFileIconProvider::File);
    default:
        return {};
    }
}
