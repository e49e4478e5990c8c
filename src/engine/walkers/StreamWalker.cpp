#include "engine/walkers/StreamWalker.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {

Verdict StreamWalker::feed(const uint8_t* data, size_t size)
{
    while (size > 0 && !verdict_.final()) {
        switch (mode_) {
        case Mode::Skip: {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(skipLeft_, size));
            skipLeft_ -= n;
            position_ += n;
            data += n;
            size -= n;
            if (skipLeft_ == 0) {
                mode_ = afterSkip_;
                needSize_ = afterSkipNeed_;
            }
            break;
        }
        case Mode::Need: {
            const size_t want = needSize_;
            if (have_ == 0 && size >= want) {
                // The whole record lies in this piece: no copy.
                recordStart_ = position_;
                position_ += want;
                data += want;
                size -= want;
                onRecord(data - want, want);
                break;
            }
            const size_t n = std::min(want - have_, size);
            std::memcpy(buffer_.data() + have_, data, n);
            have_ += n;
            position_ += n;
            data += n;
            size -= n;
            if (have_ == want) {
                have_ = 0;
                recordStart_ = position_ - want;
                onRecord(buffer_.data(), want);
            }
            break;
        }
        case Mode::Scan: {
            const Mode before = mode_;
            size_t n = onScan(data, size);
            n = std::min(n, size);
            if (n == 0 && mode_ == before && !verdict_.final())
                n = size; // a scan that takes nothing would never end
            position_ += n;
            data += n;
            size -= n;
            break;
        }
        }
    }
    return verdict_;
}

size_t StreamWalker::onScan(const uint8_t*, size_t size)
{
    return size;
}

void StreamWalker::need(size_t n)
{
    if (n == 0 || n > kMaxRecord) {
        brokenAt(position_);
        return;
    }
    if (mode_ == Mode::Skip && skipLeft_ > 0) {
        afterSkip_ = Mode::Need;
        afterSkipNeed_ = n;
        return;
    }
    mode_ = Mode::Need;
    needSize_ = n;
    have_ = 0;
}

void StreamWalker::skip(uint64_t n)
{
    if (n == 0)
        return;
    if (mode_ != Mode::Skip || skipLeft_ == 0) {
        afterSkip_ = mode_ == Mode::Skip ? afterSkip_ : mode_;
        afterSkipNeed_ = needSize_;
        mode_ = Mode::Skip;
        skipLeft_ = 0;
    }
    skipLeft_ = skipLeft_ > UINT64_MAX - n ? UINT64_MAX : skipLeft_ + n;
    have_ = 0;
}

void StreamWalker::scan()
{
    if (mode_ == Mode::Skip && skipLeft_ > 0) {
        afterSkip_ = Mode::Scan;
        return;
    }
    mode_ = Mode::Scan;
    have_ = 0;
}

void StreamWalker::continuesTo(uint64_t offset)
{
    if (verdict_.final())
        return;
    if (verdict_.state != State::Continues || offset > verdict_.offset)
        verdict_ = Verdict{State::Continues, std::max(offset, verdict_.state == State::Continues ? verdict_.offset : 0)};
}

void StreamWalker::endsAt(uint64_t offset)
{
    if (!verdict_.final())
        verdict_ = Verdict{State::Ends, offset};
}

void StreamWalker::brokenAt(uint64_t offset)
{
    if (!verdict_.final())
        verdict_ = Verdict{State::Broken, offset};
}

void StreamWalker::notFormat()
{
    if (!verdict_.final())
        verdict_ = Verdict{State::NotFormat, 0};
}

} // namespace ostrel::walkers
