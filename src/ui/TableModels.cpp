#include "ui/TableModels.h"

#include "ui/PlainText.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

DictionaryTableModel::DictionaryTableModel(QList<KeyedColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns))
{
}

void DictionaryTableModel::setRows(QList<QVariantMap> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void DictionaryTableModel::appendRow(const QVariantMap& row)
{
    const int at = static_cast<int>(rows_.size());
    beginInsertRows(QModelIndex(), at, at);
    rows_.append(row);
    endInsertRows();
}

void DictionaryTableModel::replaceRow(int row, const QVariantMap& values)
{
    if (row < 0 || row >= rows_.size())
        return;
    rows_[row] = values;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DictionaryTableModel::clear()
{
    setRows({});
}

QVariant DictionaryTableModel::value(int row, const QString& key) const
{
    if (row < 0 || row >= rows_.size())
        return {};
    return rows_.at(row).value(key);
}

bool DictionaryTableModel::setValue(int row, const QString& key, const QVariant& value)
{
    if (row < 0 || row >= rows_.size())
        return false;
    rows_[row].insert(key, value);
    const int column = columnOf(key);
    if (column >= 0)
        emit dataChanged(index(row, column), index(row, column));
    return true;
}

QString DictionaryTableModel::columnKey(int column) const
{
    return column >= 0 && column < columns_.size() ? columns_.at(column).key : QString();
}

int DictionaryTableModel::columnOf(const QString& key) const
{
    for (int c = 0; c < columns_.size(); ++c) {
        if (columns_.at(c).key == key)
            return c;
    }
    return -1;
}

int DictionaryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DictionaryTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DictionaryTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size() || index.column() >= columns_.size())
        return {};
    const KeyedColumn& column = columns_.at(index.column());
    const QVariant v = rows_.at(index.row()).value(column.key);
    if (column.check) {
        if (role == Qt::CheckStateRole)
            return v.toInt() != 0 ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::DisplayRole)
        return v.toString();
    if (role == Qt::ToolTipRole)
        return plainToolTip(v.toString());
    return {};
}

bool DictionaryTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() >= columns_.size())
        return false;
    const KeyedColumn& column = columns_.at(index.column());
    if (column.check && role == Qt::CheckStateRole) {
        const int state = value.toInt() == Qt::Checked ? 1 : 0;
        return setValue(index.row(), column.key, state);
    }
    if (role == Qt::EditRole)
        return setValue(index.row(), column.key, value);
    return false;
}

Qt::ItemFlags DictionaryTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() < columns_.size() && columns_.at(index.column()).check)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant DictionaryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return columns_.at(section).title;
    if (role == ColumnKeyRole)
        return columns_.at(section).key;
    if (role == Qt::TextAlignmentRole)
        return columns_.at(section).check ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

// ---------------------------------------------------------------------------

namespace {
struct MediaColumn {
    const char* key;
    const char* title;
};
constexpr MediaColumn kMediaColumns[] = {
    {"Collumn1", "Device"},      {"Collumn2", "Volume name"}, {"Collumn3", "File system"},
    {"Collumn4", "Capacity"},    {"Collumn5", "Parent disk"}, {"Collumn6", "Sectors"},
};
constexpr int kMediaColumnCount = 6;
} // namespace

MediaTableModel::MediaTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void MediaTableModel::setRows(QList<MyDataObject> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void MediaTableModel::clear()
{
    setRows({});
}

bool MediaTableModel::removeRowAt(int row)
{
    if (row < 0 || row >= rows_.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.removeAt(row);
    endRemoveRows();
    return true;
}

QString MediaTableModel::columnKey(int column) const
{
    return column >= 0 && column < kMediaColumnCount ? QString::fromLatin1(kMediaColumns[column].key) : QString();
}

int MediaTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MediaTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kMediaColumnCount;
}

QVariant MediaTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    if (role == Qt::DisplayRole)
        return rows_.at(index.row()).valueForColumn(columnKey(index.column()));
    if (role == Qt::ToolTipRole) // volume labels come from the medium
        return plainToolTip(rows_.at(index.row()).valueForColumn(columnKey(index.column())));
    if (role == Qt::TextAlignmentRole && index.column() == 5)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant MediaTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kMediaColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kMediaColumns[section].title);
    if (role == ColumnKeyRole)
        return columnKey(section);
    if (role == Qt::TextAlignmentRole)
        return section == 5 ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

// ---------------------------------------------------------------------------

void CheckCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    QStyleOptionButton box;
    box.state = QStyle::State_Enabled;
    box.state |= index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
    const QRect indicator = style->subElementRect(QStyle::SE_CheckBoxIndicator, &box, widget);
    box.rect = QRect(option.rect.center() - QPoint(indicator.width() / 2, indicator.height() / 2), indicator.size());
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
}

bool CheckCellDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                    const QModelIndex& index)
{
    if (!(index.flags() & Qt::ItemIsUserCheckable))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->position().toPoint()))
            return false;
        const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }
    if (event->type() == QEvent::MouseButtonDblClick)
        return true; // a double click is two toggles, not an edit
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
