#pragma once
// One listed file of a results browser. A plain value; the list `images` of
// the controller owns the items.

#include <QByteArray>
#include <QFileInfo>
#include <QIcon>
#include <QString>

struct MyImageObject {
    QByteArray imageData;  // placeholder picture bytes, for items that cannot be drawn from their file
    QString path;          // the file's path, or the placeholder's path
    QIcon image;           // the file-type icon (raw-file, video and audio modes)
    QString image_Name;    // the file name, shown as title and subtitle
    QString image_UID;     // the item's identity in the browser
    quint64 File_Start_Sector = 0;
    quint64 File_End_Sector = 0;
    // Photo mode: the decodability test runs off the window's thread; until it
    // answers the item shows a neutral frame (see ResultsModel).
    bool testPending = false;

    static MyImageObject initWithImage_Path(const QString& path, const QString& name, const QString& uid)
    {
        MyImageObject o;
        o.path = path;
        o.image_Name = name;
        o.image_UID = uid;
        return o;
    }
    static MyImageObject initWithImage_data(const QByteArray& data, const QString& name, const QString& uid)
    {
        MyImageObject o;
        o.imageData = data;
        o.image_Name = name;
        o.image_UID = uid;
        return o;
    }
    static MyImageObject initWithImage(const QIcon& icon, const QString& name, const QString& uid, quint64 startSector,
                                       quint64 endSector)
    {
        MyImageObject o;
        o.image = icon;
        o.image_Name = name;
        o.image_UID = uid;
        o.File_Start_Sector = startSector;
        o.File_End_Sector = endSector;
        return o;
    }

    void setPath(const QString& p) { path = p; }
    QString imageUID() const { return image_UID; }
    QString imageTitle() const { return image_Name; }
    QString imageSubtitle() const { return image_Name; }
    // The placeholder item of a photo that could not be decoded.
    bool isPlaceholder() const { return QFileInfo(path).fileName() == QLatin1String("NoPreview.png"); }
};
