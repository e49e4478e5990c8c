#include "engine/walkers/MpegAudioFrames.h"

namespace ostrel::walkers {

namespace {

// Bit rates in kbit/s by [MPEG-1 ? 0 : 1][layer 1..3 - 1][index 1..14 - 1].
constexpr uint16_t kBitRates[2][3][14] = {
    {{32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};

// Sample rates in Hz by [version field 0 (2.5), 2 (2), 3 (1)][index].
constexpr uint32_t kSampleRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

} // namespace

AudioFrame mpegAudioFrame(const uint8_t* p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return {};
    const unsigned version = (p[1] >> 3) & 3;   // 0 = 2.5, 1 reserved, 2 = 2, 3 = 1
    const unsigned layerBits = (p[1] >> 1) & 3; // 1 = III, 2 = II, 3 = I
    const unsigned rateIndex = p[2] >> 4;
    const unsigned srIndex = (p[2] >> 2) & 3;
    if (version == 1 || layerBits == 0 || rateIndex == 0 || rateIndex == 15 || srIndex == 3 || (p[3] & 3) == 2)
        return {};
    const unsigned layer = 4 - layerBits;
    const bool mpeg1 = version == 3;
    const uint32_t bitRate = kBitRates[mpeg1 ? 0 : 1][layer - 1][rateIndex - 1] * 1000u;
    const uint32_t sampleRate = kSampleRates[version][srIndex];
    const uint32_t padding = (p[2] >> 1) & 1;
    uint32_t length = 0;
    if (layer == 1)
        length = (12 * bitRate / sampleRate + padding) * 4;
    else if (layer == 3 && !mpeg1)
        length = 72 * bitRate / sampleRate + padding;
    else
        length = 144 * bitRate / sampleRate + padding;
    return {length, static_cast<uint32_t>((p[1] & 0x1E) << 8 | (p[2] & 0x0C))};
}

AudioFrame adtsFrame(const uint8_t* p)
{
    if (!adtsSync(p))
        return {};
    const unsigned srIndex = (p[2] >> 2) & 0xF;
    const bool crc = (p[1] & 1) == 0;
    const uint32_t length = static_cast<uint32_t>((p[3] & 3) << 11 | p[4] << 3 | p[5] >> 5);
    if (srIndex > 12 || length < kAdtsHeaderSize + (crc ? 2u : 0u))
        return {};
    return {length, static_cast<uint32_t>((p[1] & 0x0E) << 16 | (p[2] & 0xFD) << 8 | (p[3] & 0xC0))};
}

} // namespace ostrel::walkers
