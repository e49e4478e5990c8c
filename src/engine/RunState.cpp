#include "engine/RunState.h"

#include "engine/EngineTexts.h"

QString Curr_Running_Mode_Info(const RunState& state)
{
    if (const quint64 left = state.retry_left.load(std::memory_order_relaxed))
        return texts::retryingLabel.arg(left);
    switch (static_cast<PassKind>(state.running_pass.load())) {
    case PassKind::General: return texts::generalPassLabel;
    case PassKind::Thorough: return texts::thoroughPassLabel;
    case PassKind::None: break;
    }
    return QString();
}
