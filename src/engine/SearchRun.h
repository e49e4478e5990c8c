#pragma once
// One search: the general pass of the mode's engine and, when the thorough
// box is ticked and the general pass read its whole range, the thorough
// pass; the progress ticker beside it. The run alone decides how it ended:
// it writes the map of unreadable sectors beside the results and asks the
// front end for exactly one final screen with the outcome (none when the
// medium could not be opened: the wizard steps back instead).
//
// The front end starts a run with start(), which makes the worker thread
// (the run owns it, and the worker starts the ticker); tests may run the
// worker body on their own thread with runWorker(). RunState::stop_now stops
// it within one device read.

#include "engine/CarveEngine.h"
#include "engine/EngineHost.h"
#include "engine/FileNaming.h"
#include "engine/PassOutcome.h"
#include "engine/ProgressTicker.h"
#include "engine/RunState.h"

#include <QDateTime>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace ostrel {

class SearchRun {
public:
    SearchRun(EngineHost& host, RunState& state, RunSetup setup, EngineOptions options = {});
    ~SearchRun(); // waits for the worker
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;

    // Starts the worker thread and returns at once; the worker runs the
    // passes with the ticker beside them, then calls `onFinished` (when
    // given) as its last act, on the worker thread. When the thread cannot
    // be created the run ends at once as a failure (startFailed(), a
    // message, the final screen) on the calling thread, without
    // `onFinished`.
    void start(std::function<void()> onFinished = {});
    // Waits until the worker has finished (at once on the worker itself).
    void join();
    bool finished() const { return finished_.load(); }

    // The worker's body (photo or raw-file worker by the run's mode), on the
    // calling thread; starts and stops the ticker itself.
    void runWorker();

    // Results of the passes: general pass result (read to the end, last
    // sector readable) and whether the thorough pass ran.
    bool generalPassSucceeded() const { return generalOk_; }
    bool thoroughPassRan() const { return thoroughRan_; }
    // True when the run could not start its threads.
    bool startFailed() const { return startFailed_; }

    // Ends a run whose thread could not be created (`why`: the system's
    // reason): a message and the final screen, on the calling thread. For
    // front ends that make the worker thread themselves.
    void failToStart(const QString& why);

    // How the run ended; valid once the worker has finished.
    const RunOutcome& outcome() const { return outcome_; }

    // Files listed per type (every mode).
    const TypeSummary& summary() const { return summary_; }

private:
    void Photo_Rec_Thread();
    void Raw_File_Rec_Thread();
    void resetSummary();
    void runPasses(CarveEngine& engine);
    void summariseUnreadable(const SectorMap& map);

    EngineHost& host_;
    RunState& state_;
    RunSetup setup_;
    EngineOptions options_;
    TypeSummary summary_;
    std::unique_ptr<ProgressTicker> ticker_;
    std::thread worker_;
    std::atomic<bool> finished_{false};
    bool generalOk_ = false;
    bool thoroughRan_ = false;
    QDateTime started_;
    RunOutcome outcome_;
    bool startFailed_ = false;
};

} // namespace ostrel
