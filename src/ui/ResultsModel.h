#pragma once
// The list of found files that both results browsers show (`images`). Photo
// items are drawn from their decoded picture (or the placeholder picture),
// the items of the other modes from their type icon.
//
// Main thread only: the search hands each finished file to the main thread,
// which appends it here.

#include "ui/MyImageObject.h"

#include <QAbstractListModel>
#include <QList>
#include <QPixmap>

class ResultsModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ResultsModel(QObject* parent = nullptr);

    const QList<MyImageObject>& images() const { return images_; }
    qsizetype size() const { return images_.size(); }
    const MyImageObject* itemAt(qsizetype index) const;

    void append(MyImageObject item);
    void clear();
    // Removes the items at `rows` (any order); the files stay on disk.
    void removeItems(QList<int> rows);

    // Photo mode draws pictures, the other modes draw type icons.
    void setPhotoMode(bool photo);
    bool photoMode() const { return photo_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<MyImageObject> images_;
    bool photo_ = true;
    mutable QPixmap placeholderPixmap_; // drawn once from the first placeholder's bytes
};
