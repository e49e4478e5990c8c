#pragma once
// The controls under a playing preview: play/pause, a seek bar with the
// position and the length ("0:07 / 1:32"), and the volume. They drive a
// PreviewMedia and follow what it reports. Without a sound output the
// volume is disabled and says so; a playing error is shown in place of
// the time.
//
// Main thread only.

#include <QWidget>

class PreviewMedia;
class QLabel;
class QSlider;
class QToolButton;

class MediaControls : public QWidget {
    Q_OBJECT
public:
    MediaControls(PreviewMedia* media, QWidget* parent = nullptr);

    // A new file: position 0, its length as far as known, no message.
    void reset();
    // "m:ss" (or "h:mm:ss" from an hour on) for `ms` milliseconds.
    static QString timeText(qint64 ms);

    // What the tests look at.
    QToolButton* playButton() const { return play_; }
    QSlider* seekBar() const { return seek_; }
    QSlider* volume() const { return volume_; }
    QLabel* timeLabel() const { return time_; }

private:
    void showTime();
    void showPlaying(bool playing);

    PreviewMedia* media_;
    QToolButton* play_;
    QSlider* seek_;
    QLabel* time_;
    QLabel* speaker_;
    QSlider* volume_;
    qint64 position_ = 0;
    qint64 duration_ = 0;
    bool failed_ = false;
};
