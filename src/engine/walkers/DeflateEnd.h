#pragma once
// Finds where a raw deflate stream ends by inflating it and throwing the
// output away: zlib keeps its own 32 KiB window, the output goes to a fixed
// scratch buffer, so memory stays bounded whatever the stream holds.

#include <array>
#include <cstddef>
#include <cstdint>

struct z_stream_s;

namespace ostrel::walkers {

class DeflateEnd {
public:
    enum class Result : uint8_t { NeedMore, End, Error };

    // windowBits as zlib takes them: -15 for raw deflate (ZIP, GZIP members).
    explicit DeflateEnd(int windowBits = -15);
    ~DeflateEnd();
    DeflateEnd(const DeflateEnd&) = delete;
    DeflateEnd& operator=(const DeflateEnd&) = delete;

    // Starts a new stream (the next ZIP entry or GZIP member).
    void reset();

    // Inflates `size` compressed bytes. Sets `used` to the bytes that
    // belong to the stream: all of them for NeedMore, up to and including
    // the last byte of the final block for End, and how far it got for
    // Error (the data is not deflate there).
    Result feed(const uint8_t* data, size_t size, size_t& used);

    // Bytes of output produced since reset() (for a size check).
    uint64_t produced() const { return produced_; }

private:
    z_stream_s* stream_ = nullptr;
    int windowBits_;
    bool ok_ = false;
    uint64_t produced_ = 0;
    std::array<uint8_t, 16 * 1024> scratch_{};
};

} // namespace ostrel::walkers
