#pragma once
// The list of found files that both results browsers show (`images`). Photo
// items are drawn from their picture, decoded off the window's thread by a
// ThumbnailCache (a neutral frame until it arrives), or from the placeholder
// picture; the items of the other modes from their type icon.
//
// Main thread only: the search hands each finished file to the main thread,
// which appends it here. Removing or moving items never touches the files.

#include "ui/MyImageObject.h"

#include <QAbstractListModel>
#include <QList>
#include <QPixmap>

class ThumbnailCache;

class ResultsModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Largest side, in pixels, photos are decoded at for the browser (the
    // largest zoom draws them at this size).
    static constexpr int kThumbnailSide = 200;

    explicit ResultsModel(QObject* parent = nullptr);

    const QList<MyImageObject>& images() const { return images_; }
    qsizetype size() const { return images_.size(); }
    const MyImageObject* itemAt(qsizetype index) const;

    // The decoder of photo items; not owned. Without one photos show frames.
    void setThumbnailCache(ThumbnailCache* cache) { cache_ = cache; }

    void append(MyImageObject item);
    void clear();
    // Removes the items at `rows` (any order); the files stay on disk.
    void removeItems(QList<int> rows);
    // Takes the items at `rows` (in ascending order), and inserts them as one
    // block, in that order, at `target` minus the number of taken rows below
    // `target`. Out-of-range rows are ignored; answers true.
    bool moveItems(QList<int> rows, int target);

    // Rows of photo items of `path` whose decodability test has not answered.
    QList<int> pendingRows(const QString& path) const;
    // The test of `row` answered: the item is drawn from its file...
    void markDecodable(int row);
    // ... or it becomes the placeholder item (`data`, path `placeholderPath`).
    void makePlaceholder(int row, const QByteArray& data, const QString& placeholderPath);
    // A kept picture of `path` arrived again: redraw its items.
    void pictureArrived(const QString& path);
    // Photo items still waiting for their test.
    int pendingCount() const;

    // Photo mode draws pictures, the other modes draw type icons.
    void setPhotoMode(bool photo);
    bool photoMode() const { return photo_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void changed(int row);
    QPixmap framePixmap() const;

    QList<MyImageObject> images_;
    bool photo_ = true;
    ThumbnailCache* cache_ = nullptr;
    mutable QPixmap placeholderPixmap_; // drawn once from the first placeholder's bytes
    mutable QPixmap frame_;
};
