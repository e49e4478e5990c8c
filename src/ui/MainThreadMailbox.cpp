#include "ui/MainThreadMailbox.h"

#include "util/TextHelpers.h"

#include <QThread>

#include <exception>

MainThreadMailbox::MainThreadMailbox(QObject* parent) : QObject(parent) {}

MainThreadMailbox::~MainThreadMailbox()
{
    close();
}

void MainThreadMailbox::post(std::function<void()> work, bool wait)
{
    if (QThread::currentThread() == thread()) {
        if (!closed())
            work();
        return;
    }
    auto request = std::make_shared<Request>();
    request->work = std::move(work);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_)
            return;
        queue_.push_back(request);
    }
    if (!wait) {
        QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
        return;
    }
    QMetaObject::invokeMethod(this, "drain", Qt::BlockingQueuedConnection);
    std::unique_lock<std::mutex> lock(mutex_);
    doneCv_.wait(lock, [&] { return request->done || closed_; });
}

void MainThreadMailbox::close()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        for (const auto& r : queue_)
            r->done = true;
        queue_.clear();
    }
    doneCv_.notify_all();
}

bool MainThreadMailbox::closed() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

void MainThreadMailbox::drain()
{
    for (;;) {
        std::shared_ptr<Request> request;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty())
                return;
            request = queue_.front();
            queue_.pop_front();
        }
        try {
            request->work();
        } catch (const std::exception& e) {
            Show_NSLog_Message(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            Show_NSLog_Message(QStringLiteral("unknown failure in main-thread work"));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            request->done = true;
        }
        doneCv_.notify_all();
    }
}
