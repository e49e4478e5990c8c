#include "ui/ResultsBrowserView.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

namespace {
const QString kRowsMime = QStringLiteral("application/x-ostrel-result-rows");
}

ResultsBrowserView::ResultsBrowserView(QWidget* parent) : QListView(parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
}

QList<int> ResultsBrowserView::selectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& i : selectionModel()->selectedIndexes())
        rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void ResultsBrowserView::startDrag(Qt::DropActions)
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    // Only this view understands the drag: the rows, no file data.
    auto* mime = new QMimeData;
    QByteArray encoded;
    for (int r : rows)
        encoded += QByteArray::number(r) + ' ';
    mime->setData(kRowsMime, encoded);
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    const QModelIndex first = model()->index(rows.first(), 0);
    const QIcon icon = qvariant_cast<QIcon>(model()->data(first, Qt::DecorationRole));
    if (!icon.isNull())
        drag->setPixmap(icon.pixmap(iconSize() / 2));
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    // Unlike QAbstractItemView, nothing is removed here: the drop moved it.
}

void ResultsBrowserView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->source() == this && event->mimeData()->hasFormat(kRowsMime))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ResultsBrowserView::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->source() == this && event->mimeData()->hasFormat(kRowsMime)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

int ResultsBrowserView::dropTarget(const QPoint& pos) const
{
    const QModelIndex at = indexAt(pos);
    if (!at.isValid())
        return model() ? model()->rowCount() : 0;
    // The right half of an item means "after it".
    const QRect r = visualRect(at);
    return pos.x() > r.center().x() ? at.row() + 1 : at.row();
}

void ResultsBrowserView::dropEvent(QDropEvent* event)
{
    if (event->source() != this || !event->mimeData()->hasFormat(kRowsMime)) {
        event->ignore();
        return;
    }
    QList<int> rows;
    for (const QByteArray& part : event->mimeData()->data(kRowsMime).split(' ')) {
        bool ok = false;
        const int r = part.toInt(&ok);
        if (ok)
            rows.append(r);
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    emit moveRequested(rows, dropTarget(event->position().toPoint()));
}

void ResultsBrowserView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        const QList<int> rows = selectedRows();
        if (!rows.isEmpty()) {
            emit removeRequested(rows);
            event->accept();
            return;
        }
    }
    QListView::keyPressEvent(event);
}
