#include "engine/walkers/FlacWalker.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr size_t kStart = 4 + 4 + 34; // "fLaC", block header, STREAMINFO
constexpr unsigned kInvalidBlock = 127;
constexpr unsigned kLastKnownBlock = 6; // PICTURE

} // namespace

FlacWalker::FlacWalker()
{
    need(kStart);
}

void FlacWalker::onData(const uint8_t* r, size_t size)
{
    switch (step_) {
    case Step::Start: {
        const uint32_t length = static_cast<uint32_t>(r[5] << 16 | r[6] << 8 | r[7]);
        if (std::memcmp(r, "fLaC", 4) != 0 || (r[4] & 0x7F) != 0 || length != 34 ||
            !parseFlacStreamInfo(r + 8, info_)) {
            notFormat();
            return;
        }
        // Encoders write one block size for a whole stream; a stream with
        // two must show its first frame to pass the header check.
        checked_ = info_.minBlock == info_.maxBlock;
        continuesTo(kStart);
        afterBlock(kStart, r[4] & 0x80);
        break;
    }
    case Step::Block: {
        // Metadata types 1..6 are defined; 127 and a second STREAMINFO never valid.
        const unsigned type = r[0] & 0x7F;
        const uint64_t end = position() + (uint32_t{r[1]} << 16 | uint32_t{r[2]} << 8 | r[3]);
        if (type == 0 || type == kInvalidBlock || (type > kLastKnownBlock && recordStart() < kHeaderLookahead)) {
            if (recordStart() < kHeaderLookahead)
                notFormat();
            else
                brokenAt(recordStart());
            return;
        }
        continuesTo(end);
        afterBlock(end, r[0] & 0x80);
        break;
    }
    case Step::FirstFrame: {
        const FlacFrameHeader h = parseFlacFrameHeader(r);
        if (h.length == 0 || h.number != 0) {
            if (!checked_ && recordStart() < kHeaderLookahead)
                notFormat();
            else
                giveUp(); // no frame where the metadata ends
            return;
        }
        std::memcpy(window_, r, size);
        windowLen_ = size;
        windowPos_ = recordStart();
        step_ = Step::Frames;
        scan();
        searchWindow();
        break;
    }
    default:
        break;
    }
}

void FlacWalker::afterBlock(uint64_t end, bool last)
{
    skip(end - position());
    if (!last) {
        step_ = Step::Block;
        need(4);
        return;
    }
    framesStart_ = end;
    step_ = Step::FirstFrame;
    need(kFlacMaxHeader);
}

size_t FlacWalker::onScan(const uint8_t* data, size_t size)
{
    if (step_ == Step::LastFrame) {
        collectLastFrame(data, size);
        return size;
    }
    if (step_ != Step::Frames)
        return size;
    const size_t n = std::min(size, kWindow);
    std::memcpy(window_ + windowLen_, data, n);
    windowLen_ += n;
    searchWindow();
    return n;
}

void FlacWalker::searchWindow()
{
    // Headers are looked for where all their bytes are in the window; the
    // last bytes wait for the next piece.
    const size_t limit = windowLen_ >= kFlacMaxHeader ? windowLen_ - kFlacMaxHeader + 1 : 0;
    size_t i = 0;
    while (i < limit) {
        const void* hit = std::memchr(window_ + i, 0xFF, limit - i);
        if (!hit)
            break;
        i = static_cast<size_t>(static_cast<const uint8_t*>(hit) - window_);
        const FlacFrameHeader h = parseFlacFrameHeader(window_ + i);
        if (h.length == 0) {
            ++i;
            continue;
        }
        if (!onFrameHeader(h, windowPos_ + i)) {
            if (step_ != Step::Frames)
                break;
            ++i;
            continue;
        }
        if (step_ != Step::Frames) {
            if (step_ == Step::LastFrame)
                collectLastFrame(window_ + i, windowLen_ - i);
            return;
        }
        i += h.length;
    }
    const size_t keep = windowLen_ - limit;
    std::memmove(window_, window_ + limit, keep);
    windowPos_ += limit;
    windowLen_ = keep;
}

bool FlacWalker::onFrameHeader(const FlacFrameHeader& h, uint64_t at)
{
    if (frames_ == 0) {
        if (at != framesStart_) {
            giveUp(); // no frame where the metadata ends
            return false;
        }
        variable_ = h.variable;
        nominalBlock_ = h.blockSize;
    }
    // A header inside frame data by chance does not carry the next number.
    if (h.variable != variable_ || h.number != nextNumber_ ||
        (h.bitsPerSample != 0 && h.bitsPerSample != info_.bitsPerSample))
        return false;
    ++frames_;
    const uint64_t first = variable_ ? h.number : h.number * nominalBlock_;
    nextNumber_ = variable_ ? h.number + h.blockSize : h.number + 1;
    continuesTo(at + h.length + 2); // every frame ends with its CRC-16
    if (info_.totalSamples != 0 && first + h.blockSize >= info_.totalSamples) {
        step_ = Step::LastFrame;
        lastStart_ = at;
        lastHeader_ = h;
        lastLen_ = 0;
        last_ = std::make_unique<uint8_t[]>(kMaxLastFrame);
    }
    return true;
}

void FlacWalker::collectLastFrame(const uint8_t* data, size_t size)
{
    const size_t n = std::min(size, kMaxLastFrame - lastLen_);
    std::memcpy(last_.get() + lastLen_, data, n);
    lastLen_ += n;
    const long length = flacFrameLength(last_.get(), lastLen_, lastHeader_, info_);
    if (length > 0) {
        endsAt(lastStart_ + static_cast<uint64_t>(length));
        last_.reset();
    } else if (length < 0 || lastLen_ == kMaxLastFrame) {
        giveUp();
    }
}

void FlacWalker::giveUp()
{
    step_ = Step::Idle;
    last_.reset();
}

} // namespace ostrel::walkers
