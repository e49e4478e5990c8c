#pragma once
// Pictures of found files, decoded on worker threads and kept in a bounded
// cache, so listing thousands of photos never decodes a picture on the
// window's thread.
//
// request(path, side) returns at once; the decoded picture (or the news that
// the file cannot be decoded) arrives later through `decoded`, on the thread
// the cache lives on (the main thread). A path is decoded once while it is
// in the cache; pictures dropped to stay under the memory bound are decoded
// again when asked for. Files that failed to decode are remembered, so they
// are not tried twice.
//
// Main thread only, except decodePicture(), which any thread may call.
// The decoding threads never touch the cache's members but the job queue.

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class MainThreadMailbox;

class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    // `maxBytes`: memory the kept pictures may use (decoded size).
    explicit ThumbnailCache(qint64 maxBytes = 96 * 1024 * 1024, QObject* parent = nullptr);
    ~ThumbnailCache() override; // waits for the decodes in flight

    // Decodes `path` with its orientation applied, scaled down (never up) so
    // that neither side exceeds `maxSide` pixels, from the full picture.
    // JPEG, PNG, GIF and BMP are decoded here; every other type in the
    // picture helper, bounded in time and memory (ui/PictureHelper.h).
    // A null image when the file cannot be decoded. Any thread.
    static QImage decodePicture(const QString& path, int maxSide);

    // The kept picture of `path`, or a null image (then: asked for, see
    // request()).
    QImage picture(const QString& path) const;
    // True once `path` was tried and could not be decoded.
    bool failed(const QString& path) const { return failed_.contains(path); }
    // Asks for `path` decoded at most `maxSide` pixels; a no-op when it is
    // kept, failed or already being decoded.
    void request(const QString& path, int maxSide);

    // Forgets every picture and drops the answers of decodes in flight.
    void clear();
    // Decodes asked for and not yet answered.
    int pending() const { return static_cast<int>(inFlight_.size()); }
    // Runs `work` on a decoding thread, then `done` with its result on the
    // cache's thread (dropped if the cache goes first). Jobs run in order of
    // submission per thread; clear() drops jobs not yet started.
    void run(std::function<QImage()> work, std::function<void(const QImage&)> done);

signals:
    // `path` has been decoded (`ok`) or found undecodable (!ok).
    void decoded(const QString& path, bool ok);

private:
    void deliver(quint64 generation, const QString& path, const QImage& image);
    void workerLoop();

    // The decoding threads and their queue: plain std::thread and std::mutex,
    // so the hand-off is visible to ThreadSanitizer; answers go back through
    // a MainThreadMailbox.
    std::vector<std::thread> workers_;
    std::mutex queueMutex_;
    std::condition_variable queueCv_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    MainThreadMailbox* mailbox_ = nullptr;

    QCache<QString, QImage> pictures_;
    QSet<QString> failed_;
    QSet<QString> inFlight_;
    quint64 generation_ = 0;
};
