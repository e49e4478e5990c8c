#pragma once
// The largest end of everything a TIFF file references: lone blocks (a tag's
// values stored outside its entry, a directory) and blocks given by an
// offsets array and a byte-counts array, which may be read at different
// times: the array read first is held (bounded) until the other arrives.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel::walkers {

class TiffExtent {
public:
    // References below `firstByte` or ending beyond `endLimit` are not
    // believed (a damaged field) and change nothing.
    void setLimits(uint64_t firstByte, uint64_t endLimit);

    // A block of `length` bytes at `offset`.
    void block(uint64_t offset, uint64_t length);

    // The file reaches at least `offset` (data of unknown length starts there).
    void reaches(uint64_t offset);

    // Opens a pair of arrays of `count` values each; returns its id, or -1
    // when no more pairs can be held (the end is then no longer exact).
    int openPair(uint64_t count);

    // Values [first, first + n) of one array of pair `id`: side 0 the offsets
    // (from the start of the file), side 1 the byte counts.
    void deliver(int id, int side, uint64_t first, const uint64_t* values, size_t n);

    uint64_t end() const { return end_; }

    // True when a block of at least a sector (a preview, a thumbnail, image
    // data) begins at `offset`; the first blocks only (bounded).
    bool blockStartsAt(uint64_t offset) const;

    // False once some block could not be paired (too many values to hold, an
    // array shorter than its partner): end() is then only a lower bound.
    bool exact() const { return exact_; }

    // Marks the end as a lower bound only.
    void inexact() { exact_ = false; }

private:
    struct Pair {
        uint64_t count = 0;
        int heldSide = -1;           // the side that arrived first
        std::vector<uint64_t> held;  // its values, by index
        bool dropped = false;        // values could not be held: pairing given up
    };

    void drop(Pair& pair);

    std::vector<Pair> pairs_;
    std::vector<uint64_t> blockStarts_; // of blocks of a sector or more
    size_t heldValues_ = 0;
    uint64_t firstByte_ = 8;
    uint64_t endLimit_ = uint64_t{1} << 32;
    uint64_t end_ = 0;
    bool exact_ = true;
};

} // namespace ostrel::walkers
