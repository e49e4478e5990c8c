#pragma once
// What the preview pane needs from a movie framework: open a file as a movie
// (answered later, once), play it in the pane, and let it go. The window uses
// PlayerPreviewMedia (QMediaPlayer into the QVideoWidget `mMovieView`); tests
// put a scripted one in its place, so the choice between movie, thumbnail
// and icon is decided by code that runs without a media backend.
//
// Main thread only.

#include <QIcon>
#include <QImage>
#include <QObject>
#include <QString>

class QAudioOutput;
class QMediaPlayer;
class QTimer;
class QVideoWidget;

class PreviewMedia : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts opening `path` as a movie; answers with `opened` once, later
    // (never from inside this call). A new open() replaces an unanswered one.
    virtual void open(const QString& path) = 0;
    // Starts playing the file last answered as playable.
    virtual void play() = 0;
    // Stops playing and forgets the file; the pane shows nothing.
    virtual void close() = 0;

signals:
    void opened(const QString& path, bool playable);
};

// QMediaPlayer playing into a QVideoWidget, sound through the default output.
// A file counts as playable when the player loads it and finds a video or an
// audio stream in it; a file it has not loaded after `timeoutMs` does not.
class PlayerPreviewMedia : public PreviewMedia {
    Q_OBJECT
public:
    PlayerPreviewMedia(QVideoWidget* view, int timeoutMs = 5000, QObject* parent = nullptr);
    ~PlayerPreviewMedia() override;
    void open(const QString& path) override;
    void play() override;
    void close() override;

private:
    void answer(bool playable);

    QMediaPlayer* player_ = nullptr;
    QAudioOutput* audio_ = nullptr;
    QTimer* timeout_ = nullptr;
    QString path_;
    bool waiting_ = false;
};

// What the pane shows for a found file.
enum class PreviewKind { Movie, Thumbnail, Icon, Nothing };

// The rule of the pane: a file that plays is a movie; otherwise its
// thumbnail when one could be made; otherwise its type icon; otherwise
// nothing.
PreviewKind choosePreview(bool playable, const QImage& thumbnail, const QIcon& icon);

// True for files the pane shows as pictures without asking the movie
// framework: still pictures Qt can decode. (Some movie frameworks open a
// JPEG as a one-frame movie, which would hide the picture behind a player.)
bool isStillPicture(const QString& path);

// The desktop's icon of a file type, chosen by the path's extension; the
// program's generic file icon when the theme has none.
QIcon iconForExtension(const QString& path);
