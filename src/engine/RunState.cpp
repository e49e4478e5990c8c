#include "engine/RunState.h"

#include "engine/EngineTexts.h"

QString Curr_Running_Mode_Info(const RunState& state)
{
    switch (static_cast<PassKind>(state.running_pass.load())) {
    case PassKind::General: return texts::generalPassLabel;
    case PassKind::Thorough: return texts::thoroughPassLabel;
    case PassKind::None: break;
    }
    return QString();
}
