#pragma once
// FLAC files: "fLaC", metadata blocks (STREAMINFO first, a last-block flag,
// 24-bit lengths), then frames. Frames carry no length: the walker finds
// each frame header (sync, valid CRC-8, the next frame or sample number) in
// a small window over the bytes, and when the frame that holds the stream's
// last sample (STREAMINFO's total) arrives, reads that frame's bit stream to
// its end and checks its CRC-16 there: the file ends exactly behind it.
// Without a total, or when that last frame does not check out, no end is
// claimed.

#include "engine/walkers/FlacFrame.h"
#include "engine/walkers/MediaWalker.h"

#include <memory>

namespace ostrel::walkers {

class FlacWalker final : public MediaWalker {
public:
    FlacWalker();

private:
    enum class Step : uint8_t { Start, Block, FirstFrame, Frames, LastFrame, Idle };
    void onData(const uint8_t* record, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;
    // A metadata block ends at `end`; `last` when the frames follow it.
    void afterBlock(uint64_t end, bool last);
    // Looks for the next frame headers in window_ and keeps its unsearched tail.
    void searchWindow();
    // A valid frame header at `at`: true when it is the stream's next frame.
    bool onFrameHeader(const FlacFrameHeader& h, uint64_t at);
    // Gathers the last frame and ends the file once its bits and CRC-16 check out.
    void collectLastFrame(const uint8_t* data, size_t size);
    // Nothing more can be proven: the rest is consumed without a verdict.
    void giveUp();

    static constexpr size_t kWindow = 4096;
    static constexpr size_t kMaxLastFrame = 64 * 1024;

    Step step_ = Step::Start;
    FlacStreamInfo info_;
    bool checked_ = false; // the header check has passed
    uint64_t framesStart_ = 0;
    uint64_t frames_ = 0;
    uint64_t nextNumber_ = 0; // the next frame's number (or first sample)
    bool variable_ = false;
    uint32_t nominalBlock_ = 0;
    // Sliding window over the frame bytes: window_[0] is at windowPos_.
    uint8_t window_[kWindow + kFlacMaxHeader] = {};
    size_t windowLen_ = 0;
    uint64_t windowPos_ = 0;
    // The last frame, gathered from its header on.
    std::unique_ptr<uint8_t[]> last_;
    size_t lastLen_ = 0;
    uint64_t lastStart_ = 0;
    FlacFrameHeader lastHeader_;
};

} // namespace ostrel::walkers
