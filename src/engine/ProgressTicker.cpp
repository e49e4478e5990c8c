#include "engine/ProgressTicker.h"

#include "engine/EngineTexts.h"

#include <system_error>

namespace ostrel {

ProgressSnapshot progressSnapshot(const RunState& state)
{
    ProgressSnapshot s;
    const quint64 start = state.start_sector.load(std::memory_order_relaxed);
    const quint64 end = state.end_sector.load(std::memory_order_relaxed);
    const quint64 total = state.total_sector.load(std::memory_order_relaxed);
    const quint64 index = state.for_index.load(std::memory_order_relaxed);
    s.sectorLabel = sectorLabelText(index, start, end, total);
    s.modeLabel = Curr_Running_Mode_Info(state);
    s.done = index - start;
    s.total = total;
    return s;
}

ProgressTicker::ProgressTicker(EngineHost& host, const RunState& state, std::chrono::milliseconds interval)
    : host_(host), state_(state), interval_(interval)
{
}

ProgressTicker::~ProgressTicker()
{
    stop();
}

bool ProgressTicker::start(QString* why)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (thread_.joinable() || stopping_)
        return true;
    try {
        thread_ = std::thread(&ProgressTicker::loop, this);
    } catch (const std::system_error& e) {
        *why = QString::fromLocal8Bit(e.what());
        return false;
    }
    return true;
}

void ProgressTicker::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void ProgressTicker::loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
        lock.unlock();
        const quint64 total = state_.total_sector.load(std::memory_order_relaxed);
        const quint64 index = state_.for_index.load(std::memory_order_relaxed);
        const quint64 end = state_.end_sector.load(std::memory_order_relaxed);
        if (total != 0 && index <= end)
            host_.progressTick(progressSnapshot(state_));
        lock.lock();
    }
}

} // namespace ostrel
