#pragma once
// Hands work from the search's threads to the main thread.
//
// A request is put into a queue guarded by a std::mutex, then the main
// thread is woken with QMetaObject::invokeMethod: Qt::BlockingQueuedConnection
// when the caller must wait until the work has been done, Qt::QueuedConnection
// when it must not. The main thread runs the queued work in order. The data
// of a request crosses threads only through the mutex-guarded queue (never
// through Qt's own event queue), so the hand-off is ordered for every tool
// that checks thread safety, ThreadSanitizer included.
//
// A waiting request may be taken from the queue by a wake-up of an earlier
// request whose work is still running (for example inside a modal alert);
// the caller then also waits on a condition variable until its own work has
// finished, so "waits" always means "until done".
//
// The mailbox must outlive every call of post() in progress: its owner
// closes it and then lets the posting threads finish before deleting it.

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class MainThreadMailbox : public QObject {
    Q_OBJECT
public:
    explicit MainThreadMailbox(QObject* parent = nullptr);
    ~MainThreadMailbox() override;

    // Runs `work` on the thread this object lives in (the main thread).
    // `wait` true: returns once the work has run. From the main thread itself
    // the work runs at once, whatever `wait` says (waiting for a queued call
    // there would deadlock). After close() the work is dropped.
    void post(std::function<void()> work, bool wait);

    // Teardown: drops the queued work and every later request, and releases
    // the callers waiting for theirs.
    void close();
    bool closed() const;

private slots:
    void drain();

private:
    struct Request {
        std::function<void()> work;
        bool done = false;
    };
    mutable std::mutex mutex_;
    std::condition_variable doneCv_;
    std::deque<std::shared_ptr<Request>> queue_;
    bool closed_ = false;
};
