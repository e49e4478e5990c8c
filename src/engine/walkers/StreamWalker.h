#pragma once
// Base for walkers that read a file as a sequence of records: the walker
// asks for the next n bytes (need), passes over bytes it does not look at
// (skip), or looks at every byte that arrives (scan), and the base class
// gathers the bytes across the pieces the engine feeds.

#include "engine/walkers/FormatWalker.h"

#include <array>

namespace ostrel::walkers {

class StreamWalker : public FormatWalker {
public:
    // Largest record need() may ask for.
    static constexpr size_t kMaxRecord = 64 * 1024;

    Verdict feed(const uint8_t* data, size_t size) final;
    Verdict verdict() const final { return verdict_; }

protected:
    // The first request; a walker's constructor calls need(), skip() or scan().
    StreamWalker() = default;

    // Called with exactly the bytes need() asked for; the record began at
    // recordStart() and position() is just after it. It must ask for what
    // comes next (need, skip or scan) or give a final verdict; if it does
    // neither, the same need() is repeated.
    virtual void onRecord(const uint8_t* record, size_t size) = 0;

    // Called in scan mode with the bytes that arrived, which begin at
    // position(). Returns how many it consumed (at most `size`); it must
    // consume at least one byte unless it asked for something else or gave
    // a final verdict.
    virtual size_t onScan(const uint8_t* data, size_t size);

    // What comes next. skip(n) passes over n bytes first; a need() or
    // scan() called after it (in the same callback) says what follows the
    // skipped bytes, else the request active before skip() is kept.
    void need(size_t n); // n in 1 .. kMaxRecord; anything else is a Broken file
    void skip(uint64_t n);
    void scan();

    uint64_t position() const { return position_; }
    uint64_t recordStart() const { return recordStart_; }

    // Verdicts. continuesTo never lowers the proven length and does nothing
    // once a final verdict was given; the final ones keep the first.
    void continuesTo(uint64_t offset);
    void endsAt(uint64_t offset);
    void brokenAt(uint64_t offset);
    void notFormat();
    bool finished() const { return verdict_.final(); }

private:
    enum class Mode : uint8_t { Need, Skip, Scan };
    Mode mode_ = Mode::Scan;
    Mode afterSkip_ = Mode::Scan;
    size_t needSize_ = 1;
    size_t afterSkipNeed_ = 1;
    uint64_t skipLeft_ = 0;
    size_t have_ = 0;
    uint64_t position_ = 0;
    uint64_t recordStart_ = 0;
    Verdict verdict_;
    std::array<uint8_t, kMaxRecord> buffer_{};
};

// Little- and big-endian readers for records.
inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t le64(const uint8_t* p) { return le32(p) | static_cast<uint64_t>(le32(p + 4)) << 32; }
inline uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t be32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[3]);
}
inline uint64_t be64(const uint8_t* p) { return static_cast<uint64_t>(be32(p)) << 32 | be32(p + 4); }

} // namespace ostrel::walkers
