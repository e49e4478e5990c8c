#include "ui/PreviewMedia.h"

#include "PictureKind.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QMimeDatabase>
#include <QTimer>
#include <QUrl>
#include <QVideoWidget>

#include <algorithm>

PlayerPreviewMedia::PlayerPreviewMedia(QVideoWidget* view, int timeoutMs, QObject* parent) : PreviewMedia(parent)
{
    player_ = new QMediaPlayer(this);
    if (view)
        player_->setVideoOutput(view);
    timeout_ = new QTimer(this);
    timeout_->setSingleShot(true);
    timeout_->setInterval(timeoutMs);
    connect(timeout_, &QTimer::timeout, this, [this] { answer(false); });
    connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (!waiting_)
            return;
        switch (status) {
        case QMediaPlayer::LoadedMedia:
        case QMediaPlayer::BufferedMedia:
        case QMediaPlayer::BufferingMedia:
            answer(player_->hasVideo() || player_->hasAudio());
            break;
        case QMediaPlayer::InvalidMedia:
            answer(false);
            break;
        default:
            break;
        }
    });
    connect(player_, &QMediaPlayer::errorOccurred, this, [this] { onError(); });
    connect(player_, &QMediaPlayer::positionChanged, this, &PreviewMedia::positionChanged);
    connect(player_, &QMediaPlayer::durationChanged, this, &PreviewMedia::durationChanged);
    connect(player_, &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState state) { emit playingChanged(state == QMediaPlayer::PlayingState); });
}

PlayerPreviewMedia::~PlayerPreviewMedia()
{
    player_->stop();
}

void PlayerPreviewMedia::chooseAudioOutput()
{
    const bool outputExists = !QMediaDevices::audioOutputs().isEmpty();
    if (outputExists && !audio_) {
        audio_ = new QAudioOutput(QMediaDevices::defaultAudioOutput(), this);
        audio_->setVolume(volume_);
        player_->setAudioOutput(audio_);
    } else if (!outputExists && audio_) {
        player_->setAudioOutput(nullptr);
        delete audio_;
        audio_ = nullptr;
    }
}

void PlayerPreviewMedia::open(const QString& path)
{
    player_->stop();
    chooseAudioOutput();
    path_ = path;
    waiting_ = true;
    timeout_->start();
    player_->setSource(QUrl::fromLocalFile(path));
    // A backend that fails at once may have reported before we listen:
    // answer from the event loop, never from inside open().
    if (player_->mediaStatus() == QMediaPlayer::InvalidMedia || player_->error() != QMediaPlayer::NoError)
        QTimer::singleShot(0, this, [this] {
            if (waiting_)
                answer(false);
        });
}

void PlayerPreviewMedia::onError()
{
    if (waiting_) {
        answer(false);
        return;
    }
    if (path_.isEmpty())
        return; // closed meanwhile
    const QString reason = player_->errorString();
    player_->stop();
    emit failed(reason.isEmpty() ? QStringLiteral("This file cannot be played.")
                                  : QStringLiteral("This file cannot be played: %1").arg(reason));
}

void PlayerPreviewMedia::answer(bool playable)
{
    waiting_ = false;
    timeout_->stop();
    emit opened(path_, playable);
}

void PlayerPreviewMedia::play()
{
    player_->play();
}

void PlayerPreviewMedia::pause()
{
    player_->pause();
}

bool PlayerPreviewMedia::isPlaying() const
{
    return player_->playbackState() == QMediaPlayer::PlayingState;
}

void PlayerPreviewMedia::seek(qint64 ms)
{
    player_->setPosition(std::max<qint64>(0, ms));
}

void PlayerPreviewMedia::setVolume(float volume)
{
    volume_ = std::clamp(volume, 0.0f, 1.0f);
    if (audio_)
        audio_->setVolume(volume_);
}

qint64 PlayerPreviewMedia::duration() const
{
    return player_->duration();
}

bool PlayerPreviewMedia::hasVideo() const
{
    return player_->hasVideo();
}

void PlayerPreviewMedia::close()
{
    waiting_ = false;
    path_.clear();
    timeout_->stop();
    player_->stop();
    player_->setSource(QUrl());
}

bool isStillPicture(const QString& path)
{
    // Mostly by content: a carved file's extension is the type the search
    // guessed from its header. Animated pictures (GIF) are pictures too:
    // the first frame is shown.
    return pictureKindOfFile(path) != PictureKind::Unknown;
}

QIcon iconForExtension(const QString& path)
{
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(QFileInfo(path).fileName(), QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/icons/file.svg"));
    return icon;
}
