#include "engine/walkers/AmrWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr size_t kMagic = 6;
constexpr unsigned kCheckFrames = 4;
constexpr int kNoFrame = -1;

// Payload bytes by frame type (the header byte not counted); kNoFrame for
// types not used in files.
constexpr int kNarrowband[16] = {12, 13, 15, 17, 19, 20, 26, 31, 5, kNoFrame, kNoFrame, kNoFrame,
                                 kNoFrame, kNoFrame, kNoFrame, 0};
constexpr int kWideband[16] = {17, 23, 32, 36, 40, 46, 50, 58, 60, 5, kNoFrame, kNoFrame, kNoFrame, kNoFrame, 0, 0};

} // namespace

AmrWalker::AmrWalker()
{
    need(kMagic);
}

void AmrWalker::onData(const uint8_t* r, size_t)
{
    if (step_ == Step::Magic) {
        // "#!AMR\n", or "#!AMR-" followed by "WB\n".
        if (std::memcmp(r, "#!AMR\n", kMagic) == 0) {
            step_ = Step::Frame;
        } else if (std::memcmp(r, "#!AMR-", kMagic) == 0) {
            step_ = Step::WidebandMagic;
        } else {
            notFormat();
            return;
        }
        need(step_ == Step::Frame ? 1 : 3);
        return;
    }
    if (step_ == Step::WidebandMagic) {
        if (std::memcmp(r, "WB\n", 3) != 0) {
            notFormat();
            return;
        }
        wideband_ = true;
        step_ = Step::Frame;
        need(1);
        return;
    }
    const uint8_t h = r[0];
    const unsigned type = (h >> 3) & 0xF;
    const int payload = (h & 0x83) == 0 ? (wideband_ ? kWideband : kNarrowband)[type] : kNoFrame;
    // Good frames carry the quality bit; "no data" frames may lack it.
    const bool good = payload != kNoFrame && ((h & 0x04) != 0 || payload == 0);
    if (!good) {
        if (frames_ >= kCheckFrames || recordStart() >= kHeaderLookahead)
            endsAt(recordStart());
        else
            notFormat();
        return;
    }
    ++frames_;
    const uint64_t end = recordStart() + 1 + static_cast<uint64_t>(payload);
    if (frames_ >= kCheckFrames)
        continuesTo(end);
    skip(end - position());
    need(1);
}

} // namespace ostrel::walkers
