#pragma once
// AMR and AMR-WB voice recordings ("#!AMR\n", "#!AMR-WB\n"): a chain of
// frames whose one-byte header gives the frame type and so its size. The
// file ends at the first byte that is no frame header of a good frame (the
// quality bit set, as recorders write; zeros and other files fail); frames
// of another mode than the recording's count only when confirmed by the
// frames behind them. The header check wants the first frames to be good.

#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

class AmrWalker final : public MediaWalker {
public:
    AmrWalker();

private:
    enum class Step : uint8_t { Magic, WidebandMagic, Frame };
    void onData(const uint8_t* record, size_t size) override;

    Step step_ = Step::Magic;
    bool wideband_ = false;
    unsigned frames_ = 0;
    int mode_ = -1; // frame type of the recording's speech frames
    unsigned doubtful_ = 0;
    uint64_t doubtStart_ = 0;
};

} // namespace ostrel::walkers
