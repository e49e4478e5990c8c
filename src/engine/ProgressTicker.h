#pragma once
// The half-second progress tick of a run, on its own thread. Each tick reads
// the run's progress words and hands a snapshot to the host; it never waits
// for the window.

#include "engine/EngineHost.h"
#include "engine/RunState.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ostrel {

// Snapshot of the progress words as the label and bar show them.
ProgressSnapshot progressSnapshot(const RunState& state);

class ProgressTicker {
public:
    ProgressTicker(EngineHost& host, const RunState& state,
                   std::chrono::milliseconds interval = std::chrono::milliseconds(500));
    ~ProgressTicker();

    // Starts the tick thread. False with *why set (the system's reason) when
    // the thread cannot be created, e.g. at a process or memory limit; the
    // caller ends the run with a message rather than aborting.
    bool start(QString* why);
    // Stops the ticks and joins the thread; safe to call more than once and
    // from any thread but the ticker's own.
    void stop();

private:
    void loop();
    EngineHost& host_;
    const RunState& state_;
    const std::chrono::milliseconds interval_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace ostrel
