#pragma once
// Headers of MPEG audio frames (MP3 and layers I/II) and of AAC ADTS frames:
// whether four or seven bytes can start a frame, the frame's length in bytes,
// and the fields every frame of one stream repeats.

#include <cstddef>
#include <cstdint>

namespace ostrel::walkers {

struct AudioFrame {
    uint32_t length = 0; // bytes, header included; 0 when the bytes are no frame
    uint32_t key = 0;    // version, layer, sample rate (and for ADTS profile, channels)
};

// Bytes an ADTS header needs; an MPEG audio header needs four.
constexpr size_t kAdtsHeaderSize = 7;

// An MPEG audio frame header at `p` (4 bytes). Refuses reserved values
// (version 01, layer 00, bit rate 1111, sample rate 11, emphasis 10) and the
// free bit rate, whose frames have no length in the header.
AudioFrame mpegAudioFrame(const uint8_t* p);

// True when `p` (2 bytes) begins like an ADTS header (sync, layer 00).
inline bool adtsSync(const uint8_t* p)
{
    return p[0] == 0xFF && (p[1] & 0xF6) == 0xF0;
}

// An ADTS header at `p` (7 bytes): sample rate index 0..12, a frame length
// that holds the header.
AudioFrame adtsFrame(const uint8_t* p);

} // namespace ostrel::walkers
