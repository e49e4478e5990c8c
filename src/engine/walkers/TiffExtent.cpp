#include "engine/walkers/TiffExtent.h"

#include <algorithm>

namespace ostrel::walkers {

namespace {

// Pairs and values held at once: a few hundred thousand strips or tiles of
// a huge scan are beyond it, and the walker then only gives a lower bound.
constexpr size_t kMaxPairs = 256;
constexpr size_t kMaxHeldValues = 32768;

} // namespace

void TiffExtent::setLimits(uint64_t firstByte, uint64_t endLimit)
{
    firstByte_ = firstByte;
    endLimit_ = endLimit;
}

void TiffExtent::block(uint64_t offset, uint64_t length)
{
    if (length == 0 || offset < firstByte_ || offset >= endLimit_ || length > endLimit_ - offset)
        return;
    end_ = std::max(end_, offset + length);
    if (length >= 512 && blockStarts_.size() < 256)
        blockStarts_.push_back(offset);
}

bool TiffExtent::blockStartsAt(uint64_t offset) const
{
    return std::find(blockStarts_.begin(), blockStarts_.end(), offset) != blockStarts_.end();
}

void TiffExtent::reaches(uint64_t offset)
{
    if (offset >= firstByte_ && offset < endLimit_)
        end_ = std::max(end_, offset);
}

int TiffExtent::openPair(uint64_t count)
{
    if (pairs_.size() >= kMaxPairs) {
        exact_ = false;
        return -1;
    }
    pairs_.push_back(Pair{});
    pairs_.back().count = count;
    return static_cast<int>(pairs_.size() - 1);
}

void TiffExtent::drop(Pair& pair)
{
    heldValues_ -= pair.held.size();
    pair.held.clear();
    pair.held.shrink_to_fit();
    pair.dropped = true;
    exact_ = false;
}

void TiffExtent::deliver(int id, int side, uint64_t first, const uint64_t* values, size_t n)
{
    if (id < 0 || static_cast<size_t>(id) >= pairs_.size())
        return;
    Pair& pair = pairs_[static_cast<size_t>(id)];
    if (side == 0) {
        for (size_t i = 0; i < n; ++i)
            reaches(values[i]);
    }
    if (pair.dropped)
        return;
    if (pair.heldSide < 0)
        pair.heldSide = side;
    if (side == pair.heldSide) {
        // Values arrive in order; the partner pairs them by index later.
        if (first != pair.held.size() || heldValues_ + n > kMaxHeldValues) {
            drop(pair);
            return;
        }
        pair.held.insert(pair.held.end(), values, values + n);
        heldValues_ += n;
        return;
    }
    if (first > pair.held.size() || n > pair.held.size() - first) {
        drop(pair);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        const uint64_t other = pair.held[first + i];
        const uint64_t offset = side == 0 ? values[i] : other;
        const uint64_t length = side == 0 ? other : values[i];
        block(offset, length);
    }
    if (first + n == pair.count) {
        heldValues_ -= pair.held.size();
        pair.held.clear();
        pair.held.shrink_to_fit();
    }
}

} // namespace ostrel::walkers
