#pragma once
// FLAC frames: the frame header (sync, block size, sample rate, channels,
// sample size, frame or sample number, CRC-8) and the length of a whole
// frame, which the format does not store: it is found by reading the
// subframes' bit stream (warm-up samples, coefficients, Rice-coded residual)
// to its end and checking the frame's CRC-16 there.

#include <cstddef>
#include <cstdint>

namespace ostrel::walkers {

// The longest frame header: sync and codes (4), a 7-byte coded number,
// block size and sample rate bytes (2 + 2), CRC-8.
constexpr size_t kFlacMaxHeader = 16;

struct FlacStreamInfo {
    uint32_t minBlock = 0, maxBlock = 0;
    uint32_t minFrame = 0, maxFrame = 0; // bytes, 0 when unknown
    uint32_t sampleRate = 0;
    unsigned channels = 0, bitsPerSample = 0;
    uint64_t totalSamples = 0; // 0 when unknown
};

// STREAMINFO's 34 bytes; false when a field is impossible.
bool parseFlacStreamInfo(const uint8_t* p, FlacStreamInfo& out);

struct FlacFrameHeader {
    size_t length = 0;      // header bytes, CRC-8 included; 0 when no valid header
    bool variable = false;  // numbered by sample (variable block size) instead of frame
    uint64_t number = 0;    // frame number, or first sample number
    uint32_t blockSize = 0; // samples per channel
    unsigned channelCode = 0;
    unsigned bitsPerSample = 0; // 0: from STREAMINFO
};

// The frame header at `p` (at least kFlacMaxHeader bytes readable). Checks
// reserved codes and the CRC-8.
FlacFrameHeader parseFlacFrameHeader(const uint8_t* p);

// Length in bytes of the whole frame at `p`, of which `size` bytes are at
// hand: > 0 when the subframes end and the CRC-16 behind them matches, 0 when
// more bytes are needed, -1 when the bits cannot be a frame of this stream.
long flacFrameLength(const uint8_t* p, size_t size, const FlacFrameHeader& header, const FlacStreamInfo& info);

} // namespace ostrel::walkers
