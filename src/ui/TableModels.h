#pragma once
// Table models of the window whose columns are addressed by key, as the
// layout's column identifiers: a column shows, for each row, the row's value
// under the column's key. Two kinds: rows that are dictionaries (the file-type
// check list, the per-type summary) and the media rows (MyDataObject).

#include "media/MyDataObject.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStyledItemDelegate>
#include <QVariantMap>

// headerData(section, Qt::Horizontal, ColumnKeyRole) answers a column's key.
inline constexpr int ColumnKeyRole = Qt::UserRole + 1;

struct KeyedColumn {
    QString key;    // the column identifier, e.g. "Extension"
    QString title;  // what the header shows
    bool check = false; // a check-box column: the value is 1 (checked) or 0
};

class DictionaryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DictionaryTableModel(QList<KeyedColumn> columns, QObject* parent = nullptr);

    const QList<QVariantMap>& rows() const { return rows_; }
    void setRows(QList<QVariantMap> rows);
    void appendRow(const QVariantMap& row);
    void replaceRow(int row, const QVariantMap& values);
    void clear();

    // The row's value under `key`; an invalid QVariant for a row that does
    // not exist.
    QVariant value(int row, const QString& key) const;
    // Stores `value` under `key`; false (nothing changes) for a row outside
    // the list.
    bool setValue(int row, const QString& key, const QVariant& value);

    QString columnKey(int column) const;
    int columnOf(const QString& key) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<KeyedColumn> columns_;
    QList<QVariantMap> rows_;
};

// The media table: columns "Collumn1" .. "Collumn6" over the media rows.
class MediaTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit MediaTableModel(QObject* parent = nullptr);

    const QList<MyDataObject>& rows() const { return rows_; }
    void setRows(QList<MyDataObject> rows);
    void clear();
    // Removes one row; false when `row` does not exist.
    bool removeRowAt(int row);

    QString columnKey(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<MyDataObject> rows_;
};

// Draws a check-box column's box centred and toggles it on a click anywhere
// in the cell (not only on the box itself).
class CheckCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};
