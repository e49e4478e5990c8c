#include "engine/walkers/RecentBytes.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {

RecentBytes::RecentBytes(size_t windowSize, size_t ringSize) : windowSize_(windowSize), ringSize_(ringSize) {}

void RecentBytes::keepInWindow(const uint8_t* data, size_t n)
{
    if (end_ >= windowSize_)
        return;
    const size_t take = static_cast<size_t>(std::min<uint64_t>(n, windowSize_ - end_));
    window_.insert(window_.end(), data, data + take);
}

void RecentBytes::append(const uint8_t* data, size_t n)
{
    keepInWindow(data, n);
    if (!ring_)
        ring_.reset(new uint8_t[ringSize_]);
    // Only the last ringSize_ bytes of a long piece can stay.
    const size_t keep = std::min(n, ringSize_);
    const uint8_t* from = data + (n - keep);
    uint64_t at = end_ + (n - keep);
    size_t left = keep;
    while (left > 0) {
        const size_t slot = static_cast<size_t>(at % ringSize_);
        const size_t run = std::min(left, ringSize_ - slot);
        std::memcpy(ring_.get() + slot, from, run);
        from += run;
        at += run;
        left -= run;
    }
    end_ += n;
    ringStart_ = std::max(ringStart_, end_ > ringSize_ ? end_ - ringSize_ : 0);
}

void RecentBytes::pass(const uint8_t* data, size_t n)
{
    keepInWindow(data, n);
    end_ += n;
    ringStart_ = end_;
}

bool RecentBytes::copy(uint64_t offset, size_t n, uint8_t* out) const
{
    if (offset > end_ || n > end_ - offset)
        return false;
    if (offset + n <= window_.size()) {
        std::memcpy(out, window_.data() + offset, n);
        return true;
    }
    if (offset < ringStart_)
        return false;
    uint64_t at = offset;
    size_t left = n;
    while (left > 0) {
        const size_t slot = static_cast<size_t>(at % ringSize_);
        const size_t run = std::min(left, ringSize_ - slot);
        std::memcpy(out, ring_.get() + slot, run);
        out += run;
        at += run;
        left -= run;
    }
    return true;
}

} // namespace ostrel::walkers
