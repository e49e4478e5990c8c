#pragma once
// The bytes a streaming walker can still look back at: the first bytes of
// the file (a fixed window, where metadata nearly always stands) and the
// most recent bytes fed (a ring), so that a structure met while reading can
// point a little backwards. Everything else is gone once fed.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ostrel::walkers {

class RecentBytes {
public:
    // windowSize: bytes kept from offset 0; ringSize: most recent bytes kept.
    // Memory is taken as bytes arrive, never more than the two sizes.
    RecentBytes(size_t windowSize, size_t ringSize);

    // The next `n` bytes of the file, which begin at end().
    void append(const uint8_t* data, size_t n);

    // Passes over the next `n` bytes without keeping them beyond the window
    // (the ring then starts empty after them).
    void pass(const uint8_t* data, size_t n);

    // Bytes fed so far.
    uint64_t end() const { return end_; }

    // Copies bytes [offset, offset + n) into `out` when they are all still
    // kept; false otherwise.
    bool copy(uint64_t offset, size_t n, uint8_t* out) const;

private:
    void keepInWindow(const uint8_t* data, size_t n);

    size_t windowSize_;
    size_t ringSize_;
    std::vector<uint8_t> window_;
    std::unique_ptr<uint8_t[]> ring_; // allocated on first use, not cleared
    uint64_t ringStart_ = 0; // lowest offset the ring still holds
    uint64_t end_ = 0;
};

} // namespace ostrel::walkers
