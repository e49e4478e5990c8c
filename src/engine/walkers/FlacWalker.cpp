#include "engine/walkers/FlacWalker.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr size_t kStart = 4 + 4 + 34; // "fLaC", block header, STREAMINFO
constexpr unsigned kInvalidBlock = 127;

} // namespace

FlacWalker::FlacWalker()
{
    need(kStart);
}

void FlacWalker::onData(const uint8_t* r, size_t)
{
    if (step_ == Step::Start) {
        const uint32_t length = static_cast<uint32_t>(r[5] << 16 | r[6] << 8 | r[7]);
        if (std::memcmp(r, "fLaC", 4) != 0 || (r[4] & 0x7F) != 0 || length != 34 ||
            !parseFlacStreamInfo(r + 8, info_)) {
            notFormat();
            return;
        }
        continuesTo(kStart);
        if (r[4] & 0x80) {
            framesStart_ = kStart;
            step_ = Step::Frames;
            windowPos_ = kStart;
            scan();
            return;
        }
        step_ = Step::Block;
        need(4);
        return;
    }
    // Another metadata block: type 1..126, a second STREAMINFO or 127 is no FLAC.
    const unsigned type = r[0] & 0x7F;
    const uint64_t end = position() + (uint32_t{r[1]} << 16 | uint32_t{r[2]} << 8 | r[3]);
    if (type == 0 || type == kInvalidBlock) {
        if (recordStart() < kHeaderLookahead)
            notFormat();
        else
            brokenAt(recordStart());
        return;
    }
    continuesTo(end);
    skip(end - position());
    if (r[0] & 0x80) {
        framesStart_ = end;
        windowPos_ = end;
        step_ = Step::Frames;
        scan();
    } else {
        need(4);
    }
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
