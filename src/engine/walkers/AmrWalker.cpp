#include "engine/walkers/AmrWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr size_t kMagic = 6;
constexpr unsigned kCheckFrames = 4;
constexpr unsigned kMaxDoubtful = 3;
constexpr int kNoFrame = -1;

// Payload bytes by frame type (the header byte not counted); kNoFrame for
// types not used in files.
constexpr int kNarrowband[16] = {
    12, 13, 15, 17, 19, 20, 26, 31, 5, kNoFrame, kNoFrame, kNoFrame, kNoFrame, kNoFrame, kNoFrame, 0};
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
    const uint64_t start = recordStart();
    const unsigned type = (h >> 3) & 0xF;
    const int payload = (h & 0x83) == 0 ? (wideband_ ? kWideband : kNarrowband)[type] : kNoFrame;
    // Good frames carry the quality bit; "no data" frames may lack it.
    const bool good = payload != kNoFrame && ((h & 0x04) != 0 || payload == 0);
    if (!good) {
        if (frames_ >= kCheckFrames || start >= kHeaderLookahead)
            endsAt(doubtful_ ? doubtStart_ : start);
        else
            notFormat();
        return;
    }
    ++frames_;
    const uint64_t end = start + 1 + static_cast<uint64_t>(payload);
    // A recorder keeps one mode. A frame of another type (or a silence
    // frame) counts once a frame of the mode follows it, or three such
    // frames stand in a row, so random bytes behind a recording are rarely
    // taken for frames.
    const bool speech = payload > 5;
    if (mode_ < 0 && speech)
        mode_ = static_cast<int>(type);
    if (static_cast<int>(type) == mode_ || ++doubtful_ == kMaxDoubtful) {
        if (doubtful_ == kMaxDoubtful && speech)
            mode_ = static_cast<int>(type); // the recorder changed its mode
        doubtful_ = 0;
        if (frames_ >= kCheckFrames)
            continuesTo(end);
    } else if (doubtful_ == 1) {
        doubtStart_ = start;
    }
    skip(end - position());
    need(1);
}

} // namespace ostrel::walkers
