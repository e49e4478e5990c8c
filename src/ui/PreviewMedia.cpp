#include "ui/PreviewMedia.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QImageReader>
#include <QMediaPlayer>
#include <QMimeDatabase>
#include <QTimer>
#include <QUrl>
#include <QVideoWidget>

PlayerPreviewMedia::PlayerPreviewMedia(QVideoWidget* view, int timeoutMs, QObject* parent) : PreviewMedia(parent)
{
    player_ = new QMediaPlayer(this);
    audio_ = new QAudioOutput(this);
    player_->setAudioOutput(audio_);
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
    connect(player_, &QMediaPlayer::errorOccurred, this, [this] {
        if (waiting_)
            answer(false);
    });
}

PlayerPreviewMedia::~PlayerPreviewMedia()
{
    player_->stop();
}

void PlayerPreviewMedia::open(const QString& path)
{
    player_->stop();
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

void PlayerPreviewMedia::close()
{
    waiting_ = false;
    timeout_->stop();
    player_->stop();
    player_->setSource(QUrl());
}

PreviewKind choosePreview(bool playable, const QImage& thumbnail, const QIcon& icon)
{
    if (playable)
        return PreviewKind::Movie;
    if (!thumbnail.isNull())
        return PreviewKind::Thumbnail;
    if (!icon.isNull())
        return PreviewKind::Icon;
    return PreviewKind::Nothing;
}

bool isStillPicture(const QString& path)
{
    // By content, not by name: a carved file's extension is the type the
    // search guessed from its header.
    QImageReader reader(path);
    if (!reader.canRead())
        return false;
    // Animated pictures (GIF) are pictures too: the first frame is shown.
    return true;
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
