#include "ui/ThumbnailCache.h"

#include "ui/MainThreadMailbox.h"
#include "ui/PictureHelper.h"

#include <QImageReader>
#include <QThread>

#include <algorithm>
#include <climits>

ThumbnailCache::ThumbnailCache(qint64 maxBytes, QObject* parent)
    : QObject(parent), pictures_(static_cast<int>(std::clamp<qint64>(maxBytes / 1024, 1, INT_MAX)))
{
    mailbox_ = new MainThreadMailbox(this);
    // Leave a core to the search and the window.
    const int threads = std::clamp(QThread::idealThreadCount() - 1, 1, 4);
    for (int i = 0; i < threads; ++i)
        workers_.emplace_back([this] { workerLoop(); });
}

ThumbnailCache::~ThumbnailCache()
{
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        stopping_ = true;
        queue_.clear();
    }
    queueCv_.notify_all();
    mailbox_->close(); // answers of decodes still running are dropped
    for (std::thread& t : workers_)
        t.join();
}

void ThumbnailCache::workerLoop()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(queueMutex_);
            queueCv_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        job();
    }
}

void ThumbnailCache::run(std::function<QImage()> work, std::function<void(const QImage&)> done)
{
    MainThreadMailbox* mailbox = mailbox_;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.push_back([work = std::move(work), done = std::move(done), mailbox] {
            QImage image = work();
            mailbox->post([done, image = std::move(image)] { done(image); }, false);
        });
    }
    queueCv_.notify_one();
}

QImage ThumbnailCache::decodePicture(const QString& path, int maxSide)
{
    const PictureKind kind = pictureKindOfFile(path);
    // Documents, videos, archives: no helper is started for what no
    // decoder claims (Qt's plugins only look at the first bytes here).
    if (kind == PictureKind::Unknown && QImageReader::imageFormat(path).isEmpty())
        return QImage();
    if (kind != PictureKind::QtCore)
        return decodeInHelper(pictureHelperPath(), path, kind, maxSide);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true); // the extension is only the search's guess
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // Scaling while reading lets the JPEG decoder skip most of the work.
    if (size.isValid() && (size.width() > maxSide || size.height() > maxSide))
        reader.setScaledSize(size.scaled(maxSide, maxSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return image;
    // Formats that ignore the scaled size still come back small.
    if (image.width() > maxSide || image.height() > maxSide)
        image = image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage ThumbnailCache::picture(const QString& path) const
{
    const QImage* image = pictures_.object(path);
    return image ? *image : QImage();
}

void ThumbnailCache::request(const QString& path, int maxSide)
{
    if (path.isEmpty() || pictures_.contains(path) || failed_.contains(path) || inFlight_.contains(path))
        return;
    inFlight_.insert(path);
    const quint64 generation = generation_;
    run([path, maxSide] { return decodePicture(path, maxSide); },
        [this, generation, path](const QImage& image) { deliver(generation, path, image); });
}

void ThumbnailCache::deliver(quint64 generation, const QString& path, const QImage& image)
{
    if (generation != generation_)
        return; // asked for before a clear()
    inFlight_.remove(path);
    if (image.isNull()) {
        failed_.insert(path);
        emit decoded(path, false);
        return;
    }
    const int costKiB = static_cast<int>(std::max<qsizetype>(1, image.sizeInBytes() / 1024));
    pictures_.insert(path, new QImage(image), costKiB);
    emit decoded(path, true);
}

void ThumbnailCache::clear()
{
    ++generation_;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.clear(); // decodes not yet started
    }
    pictures_.clear();
    failed_.clear();
    inFlight_.clear();
}
