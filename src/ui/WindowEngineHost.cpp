#include "ui/WindowEngineHost.h"

#include "engine/SearchRun.h"
#include "media/DeviceAccess.h"
#include "ui/MainThreadMailbox.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

WindowEngineHost::WindowEngineHost(SearchView& view, RunState& state)
    : view_(view), state_(state), mailbox_(std::make_unique<MainThreadMailbox>())
{
}

WindowEngineHost::~WindowEngineHost()
{
    shutdown();
}

void WindowEngineHost::shutdown()
{
    // A search still running is stopped; its requests are dropped from now
    // on, so its thread ends without waiting for anyone.
    mailbox_->close();
    state_.stop_now = 1;
    waitForWorker();
}

void WindowEngineHost::post(std::function<void()> work, bool wait)
{
    mailbox_->post(std::move(work), wait);
}

void WindowEngineHost::start(ostrel::RunSetup setup, const ostrel::EngineOptions& options)
{
    // A previous run's thread may still be winding down after its final
    // screen; it has no more requests that wait for us, so this is short.
    waitForWorker();
    run_ = std::make_unique<ostrel::SearchRun>(*this, state_, std::move(setup), options);
    const quint64 generation = ++generation_;
    run_->start([this, generation] { post([this, generation] { workerFinished(generation); }, false); });
    if (run_->startFailed()) {
        // No thread could be made (a process or memory limit): the run has
        // ended with a message instead of taking the program down.
        run_.reset();
    }
}

void WindowEngineHost::workerFinished(quint64 generation)
{
    if (generation != generation_ || !run_)
        return; // a later run has taken over; its own notice will come
    run_.reset(); // joins the worker, which has ended
    view_.workerEnded();
}

void WindowEngineHost::waitForWorker()
{
    if (!run_)
        return;
    // The worker may be waiting for a request of its own; deliver those
    // (only this mailbox's wake-ups) until it has ended.
    while (!run_->finished()) {
        QCoreApplication::sendPostedEvents(mailbox_.get(), QEvent::MetaCall);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    run_.reset(); // joins the worker
}

SearchSettings WindowEngineHost::readSearchSettings()
{
    SearchSettings settings;
    post([&settings, this] { settings = view_.currentSearchSettings(); }, true);
    return settings;
}

void WindowEngineHost::beginPass(int mode, bool general, const QString& modeLabel)
{
    post([=, this] { view_.onBeginPass(mode, general, modeLabel); }, true);
}

void WindowEngineHost::showProgress(const ProgressSnapshot& progress)
{
    post([progress, this] { view_.applyProgress(progress); }, false);
}

void WindowEngineHost::passRunning(const QString& helpText)
{
    post([helpText, this] { view_.onPassRunning(helpText); }, false);
}

void WindowEngineHost::listFile(int mode, const QString& path, const QString& imageName, const QString& imageUid,
                                const QString& type, quint64 typeCount)
{
    post([=, this] { view_.listFoundFile(mode, path, imageName, imageUid, type, typeCount); }, true);
}

void WindowEngineHost::showClearNotice(const QString& notice)
{
    post([notice, this] { view_.showClearNoticeText(notice); }, false);
}

void WindowEngineHost::clearFileList(int)
{
    post([this] { view_.emptyResults(); }, true);
}

void WindowEngineHost::showMessageBox(const QString& text)
{
    const QString message = QStringLiteral("\n") + text;
    post([message, this] { view_.Main_Thread_Messgae(message); }, true);
}

void WindowEngineHost::requestFinalScreen(const ostrel::RunOutcome& outcome)
{
    post([outcome, this] { view_.runEnded(outcome); }, false);
}

void WindowEngineHost::wizardStepBack(int mode)
{
    post([mode, this] { view_.onWizardStepBack(mode); }, false);
}

void WindowEngineHost::logDeviceOpenFailure(int err)
{
    reportDeviceOpenFailure(err); // stdout and syslog are safe from the worker thread
}

void WindowEngineHost::showPermissionAlert(int err)
{
    post([err, this] { view_.showPermissionAlertAndGuideUser(err); }, true);
}

void WindowEngineHost::showGenericErrorAlert(int err)
{
    post([err, this] { view_.genericErrorAlert(err); }, true);
}

void WindowEngineHost::progressTick(const ProgressSnapshot& progress)
{
    post([progress, this] { view_.timerTickSetLabel(progress); }, false);
}
