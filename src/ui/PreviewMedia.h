#pragma once
// What the preview pane needs from a movie framework: open a file as a movie
// (answered later, once), play, pause, seek and set the volume, report the
// position and length, and let it go. The window uses PlayerPreviewMedia
// (QMediaPlayer into the QVideoWidget `mMovieView`); tests put a scripted one
// in its place, so the choice between movie, thumbnail and icon is decided
// by code that runs without a media backend.
//
// Main thread only.

#include "wizard/PreviewChoice.h"

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

    // The controls. The defaults do nothing, for stand-ins that need none.
    virtual void pause() {}
    virtual bool isPlaying() const { return false; }
    // Moves to `ms` milliseconds from the start.
    virtual void seek(qint64 ms) { Q_UNUSED(ms); }
    // 0 (silent) to 1 (full).
    virtual void setVolume(float volume) { Q_UNUSED(volume); }
    // Length of the file last answered as playable, in milliseconds (0:
    // not known).
    virtual qint64 duration() const { return 0; }
    // The file last answered as playable has pictures (else: sound only).
    virtual bool hasVideo() const { return true; }
    // Sound can be heard: an audio output exists and is used.
    virtual bool hasSoundOutput() const { return false; }

signals:
    void opened(const QString& path, bool playable);
    // Position and length of the file playing, in milliseconds.
    void positionChanged(qint64 ms);
    void durationChanged(qint64 ms);
    void playingChanged(bool playing);
    // Playing failed after the file was opened; `message` says why, for the
    // user. The pane stays as it is.
    void failed(const QString& message);
};

// QMediaPlayer playing into a QVideoWidget, sound through the default output
// when there is one: with no output device (no sound server reachable, as for
// a program started as root) the player gets no audio output at all, since
// the FFmpeg backend fails on a null device; the length is still known. The
// outputs are looked at again at every open(). A file counts as playable
// when the player loads it and finds a video or an audio stream in it; a
// file it has not loaded after `timeoutMs` does not. Every player error
// ends in `opened(path, false)` or `failed`, never in more.
class PlayerPreviewMedia : public PreviewMedia {
    Q_OBJECT
public:
    PlayerPreviewMedia(QVideoWidget* view, int timeoutMs = 5000, QObject* parent = nullptr);
    ~PlayerPreviewMedia() override;
    void open(const QString& path) override;
    void play() override;
    void close() override;
    void pause() override;
    bool isPlaying() const override;
    void seek(qint64 ms) override;
    void setVolume(float volume) override;
    bool hasVideo() const override;
    qint64 duration() const override;
    bool hasSoundOutput() const override { return audio_ != nullptr; }

private:
    void answer(bool playable);
    void chooseAudioOutput();
    void onError();

    QMediaPlayer* player_ = nullptr;
    QAudioOutput* audio_ = nullptr;
    QTimer* timeout_ = nullptr;
    QString path_;
    bool waiting_ = false;
    float volume_ = 0.8f;
};

// True for files the pane shows as pictures without asking the movie
// framework: every picture type the thumbnails decode (PictureKind). (Some
// movie frameworks open a JPEG or a TIFF-based raw file as a one-frame
// movie, which would hide the picture behind a player.)
bool isStillPicture(const QString& path);

// The desktop's icon of a file type, chosen by the path's extension; the
// program's generic file icon when the theme has none.
QIcon iconForExtension(const QString& path);
