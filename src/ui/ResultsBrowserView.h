#pragma once
// The view of a results browser (`imageBrowser`, `imageBrowser_2`): a
// QListView in icon mode whose items the user can reorder by dragging them
// within the view and remove with Delete or Backspace. It only reports these
// gestures; the controller changes the list (and never the files). Nothing
// can be dragged out of the view and nothing from outside is taken in.

#include <QListView>

class ResultsBrowserView : public QListView {
    Q_OBJECT
public:
    explicit ResultsBrowserView(QWidget* parent = nullptr);

    // The selected rows, ascending.
    QList<int> selectedRows() const;

signals:
    // The items at `rows` were dropped before the item at `target` (the
    // item count: after the last one).
    void moveRequested(const QList<int>& rows, int target);
    void removeRequested(const QList<int>& rows);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public:
    // The row an item dropped at `pos` (viewport coordinates) goes before.
    int dropTarget(const QPoint& pos) const;
};
