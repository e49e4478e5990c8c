#include "ui/MediaControls.h"

#include "ui/PreviewMedia.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <climits>

MediaControls::MediaControls(PreviewMedia* media, QWidget* parent) : QWidget(parent), media_(media)
{
    setObjectName(QStringLiteral("_media_controls"));
    play_ = new QToolButton(this);
    play_->setObjectName(QStringLiteral("_play_pause_btn"));
    play_->setAutoRaise(true);
    seek_ = new QSlider(Qt::Horizontal, this);
    seek_->setObjectName(QStringLiteral("_seek_slider"));
    seek_->setToolTip(QStringLiteral("Position"));
    time_ = new QLabel(this);
    time_->setObjectName(QStringLiteral("_media_time"));
    time_->setWordWrap(true);
    time_->setTextFormat(Qt::PlainText);
    speaker_ = new QLabel(this);
    speaker_->setTextFormat(Qt::PlainText);
    speaker_->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(16, 16));
    volume_ = new QSlider(Qt::Horizontal, this);
    volume_->setObjectName(QStringLiteral("_volume_slider"));
    volume_->setRange(0, 100);
    volume_->setValue(80);

    volume_->setMaximumWidth(64);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 6, 0, 0);
    row->setSpacing(4);
    row->addWidget(play_);
    row->addWidget(seek_, 1);
    row->addWidget(time_);
    row->addWidget(speaker_);
    row->addWidget(volume_);

    connect(play_, &QToolButton::clicked, this, [this] {
        if (media_->isPlaying())
            media_->pause();
        else
            media_->play();
    });
    // Dragging seeks once, where the knob is let go; a click on the bar jumps.
    connect(seek_, &QSlider::sliderReleased, this, [this] { media_->seek(seek_->value()); });
    connect(seek_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            media_->seek(seek_->sliderPosition());
    });
    connect(volume_, &QSlider::valueChanged, this, [this](int value) { media_->setVolume(value / 100.0f); });
    connect(media_, &PreviewMedia::positionChanged, this, [this](qint64 ms) {
        position_ = ms;
        if (!seek_->isSliderDown())
            seek_->setValue(static_cast<int>(std::min<qint64>(ms, INT_MAX)));
        showTime();
    });
    connect(media_, &PreviewMedia::durationChanged, this, [this](qint64 ms) {
        duration_ = ms;
        seek_->setRange(0, static_cast<int>(std::min<qint64>(ms, INT_MAX)));
        showTime();
    });
    connect(media_, &PreviewMedia::playingChanged, this, [this](bool playing) { showPlaying(playing); });
    connect(media_, &PreviewMedia::failed, this, [this](const QString& message) {
        failed_ = true;
        time_->setText(message);
        showPlaying(false);
    });
    reset();
}

void MediaControls::reset()
{
    // The length may be known already: the player reads it while opening.
    position_ = 0;
    duration_ = std::max<qint64>(0, media_->duration());
    failed_ = false;
    seek_->setRange(0, static_cast<int>(std::min<qint64>(duration_, INT_MAX)));
    seek_->setValue(0);
    showPlaying(false);
    showTime();
    const bool sound = media_->hasSoundOutput();
    volume_->setEnabled(sound);
    speaker_->setEnabled(sound);
    const QString tip = sound ? QStringLiteral("Volume") : QStringLiteral("No sound output is available");
    volume_->setToolTip(tip);
    speaker_->setToolTip(tip);
}

QString MediaControls::timeText(qint64 ms)
{
    const qint64 seconds = std::max<qint64>(0, ms) / 1000;
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

void MediaControls::showTime()
{
    if (!failed_)
        time_->setText(timeText(position_) + QStringLiteral(" / ") + timeText(duration_));
}

void MediaControls::showPlaying(bool playing)
{
    play_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    play_->setToolTip(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
    play_->setEnabled(!failed_);
}
