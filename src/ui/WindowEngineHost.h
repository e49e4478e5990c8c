#pragma once
// The engine's host for the window: a search's requests arrive here on its
// worker thread (progress ticks on the ticker thread), are handed to the main
// thread through the mailbox and carried out there by the SearchView (the
// window controller). The host starts each search as a SearchRun, which
// owns its worker thread. Threads: the EngineHost overrides run on the
// search's threads; everything else on the main thread.

#include "engine/CarveEngine.h"
#include "engine/EngineHost.h"
#include "engine/RunState.h"

#include <functional>
#include <memory>

class MainThreadMailbox;
namespace ostrel {
class SearchRun;
}

// What a running search asks of the window; every call runs on the main
// thread. The "waits" of EngineHost are kept: the worker waits until the
// matching call here has returned.
class SearchView {
public:
    virtual ~SearchView() = default;
    virtual SearchSettings currentSearchSettings() const = 0;
    virtual void onBeginPass(int mode, bool general, const QString& modeLabel) = 0;
    virtual void applyProgress(const ProgressSnapshot& progress) = 0;
    virtual void onPassRunning(const QString& helpText) = 0;
    // One found file and the engine's count of its type so far; the window
    // lists it (or counts it, see ListingRules).
    virtual void listFoundFile(int mode, const QString& path, const QString& imageName, const QString& imageUid,
                               const QString& type, quint64 typeCount) = 0;
    virtual void showClearNoticeText(const QString& notice) = 0;
    virtual void emptyResults() = 0;
    // A modal message; `text` already begins with its line break.
    virtual void Main_Thread_Messgae(const QString& text) = 0;
    // The run has ended: its final screen, now or after a preview.
    virtual void runEnded(const ostrel::RunOutcome& outcome) = 0;
    virtual void onWizardStepBack(int mode) = 0;
    virtual void showPermissionAlertAndGuideUser(int err) = 0;
    virtual void genericErrorAlert(int err) = 0;
    virtual void timerTickSetLabel(const ProgressSnapshot& progress) = 0;
    // The worker thread has ended and been joined.
    virtual void workerEnded() = 0;
};

class WindowEngineHost : public EngineHost {
public:
    // `view` and `state` outlive the host. Main thread.
    WindowEngineHost(SearchView& view, RunState& state);
    // Stops a running search and waits for its thread (see shutdown).
    ~WindowEngineHost() override;
    WindowEngineHost(const WindowEngineHost&) = delete;
    WindowEngineHost& operator=(const WindowEngineHost&) = delete;

    // Runs `work` on the main thread (see MainThreadMailbox::post). Any thread.
    void post(std::function<void()> work, bool wait);

    // Starts a search on a new worker thread, after a previous run's thread
    // has ended. A thread that cannot be made ends the run at once with a
    // message (SearchRun::start).
    void start(ostrel::RunSetup setup, const ostrel::EngineOptions& options);
    // True from start() until the worker has been joined.
    bool running() const { return run_ != nullptr; }
    // Counts the runs started; a request tagged with an older number belongs
    // to a run that has been replaced.
    quint64 generation() const { return generation_; }
    // Waits for the worker to end, delivering the requests it waits for
    // meanwhile (only this mailbox's). Returns at once when none runs.
    void waitForWorker();
    // Teardown: later requests are dropped, the search is asked to stop and
    // its thread joined. Safe to call twice.
    void shutdown();

    // EngineHost: called by the search's threads.
    SearchSettings readSearchSettings() override;
    void beginPass(int mode, bool general, const QString& modeLabel) override;
    void showProgress(const ProgressSnapshot& progress) override;
    void passRunning(const QString& helpText) override;
    void listFile(int mode, const QString& path, const QString& imageName, const QString& imageUid,
                  const QString& type, quint64 typeCount) override;
    void showClearNotice(const QString& notice) override;
    void clearFileList(int mode) override;
    void showMessageBox(const QString& text) override;
    void requestFinalScreen(const ostrel::RunOutcome& outcome) override;
    void wizardStepBack(int mode) override;
    void logDeviceOpenFailure(int err) override;
    void showPermissionAlert(int err) override;
    void showGenericErrorAlert(int err) override;
    void progressTick(const ProgressSnapshot& progress) override;

private:
    void workerFinished(quint64 generation);

    SearchView& view_;
    RunState& state_;
    std::unique_ptr<MainThreadMailbox> mailbox_;
    std::unique_ptr<ostrel::SearchRun> run_; // owns the worker; reset once it has been joined
    quint64 generation_ = 0;
};
