#include "engine/walkers/FlacFrame.h"

#include <array>

namespace ostrel::walkers {

namespace {

constexpr std::array<uint8_t, 256> makeCrc8()
{
    std::array<uint8_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i;
        for (int k = 0; k < 8; ++k)
            r = (r & 0x80) ? ((r << 1) ^ 0x07) : (r << 1);
        t[i] = static_cast<uint8_t>(r);
    }
    return t;
}
constexpr std::array<uint16_t, 256> makeCrc16()
{
    std::array<uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i << 8;
        for (int k = 0; k < 8; ++k)
            r = (r & 0x8000) ? ((r << 1) ^ 0x8005) : (r << 1);
        t[i] = static_cast<uint16_t>(r);
    }
    return t;
}
constexpr auto kCrc8 = makeCrc8();
constexpr auto kCrc16 = makeCrc16();

// Reads bits most significant first; reading past the bytes at hand sets
// `short_` instead of reading.
class BitReader {
public:
    BitReader(const uint8_t* p, size_t size, size_t startByte)
        : p_(p)
        , bits_(size * 8)
        , pos_(startByte * 8)
    {
    }
    bool ok() const { return !short_; }
    uint64_t pos() const { return pos_; }

    uint32_t read(unsigned n)
    {
        if (n == 0)
            return 0;
        if (pos_ + n > bits_) {
            short_ = true;
            pos_ = bits_;
            return 0;
        }
        uint32_t v = 0;
        for (unsigned i = 0; i < n; ++i, ++pos_)
            v = v << 1 | ((p_[pos_ >> 3] >> (7 - (pos_ & 7))) & 1);
        return v;
    }
    void skip(uint64_t n)
    {
        if (pos_ + n > bits_) {
            short_ = true;
            pos_ = bits_;
            return;
        }
        pos_ += n;
    }
    // Zeros up to the next 1 bit, which is read too.
    uint64_t unary()
    {
        uint64_t zeros = 0;
        while (pos_ < bits_) {
            if ((pos_ & 7) == 0 && p_[pos_ >> 3] == 0 && pos_ + 8 <= bits_) {
                zeros += 8;
                pos_ += 8;
                continue;
            }
            const bool bit = (p_[pos_ >> 3] >> (7 - (pos_ & 7))) & 1;
            ++pos_;
            if (bit)
                return zeros;
            ++zeros;
        }
        short_ = true;
        return zeros;
    }

private:
    const uint8_t* p_;
    uint64_t bits_;
    uint64_t pos_;
    bool short_ = false;
};

enum class Parse { Done, Short, Invalid };

Parse residual(BitReader& in, uint32_t blockSize, unsigned order)
{
    const unsigned method = in.read(2);
    if (method > 1)
        return in.ok() ? Parse::Invalid : Parse::Short;
    const unsigned paramBits = method == 0 ? 4 : 5;
    const unsigned escape = (1u << paramBits) - 1;
    const unsigned partitionOrder = in.read(4);
    const uint32_t perPartition = blockSize >> partitionOrder;
    if ((perPartition << partitionOrder) != blockSize || perPartition < order)
        return in.ok() ? Parse::Invalid : Parse::Short;
    for (uint32_t part = 0; part < (1u << partitionOrder); ++part) {
        const uint32_t samples = part == 0 ? perPartition - order : perPartition;
        const unsigned param = in.read(paramBits);
        if (param == escape) {
            in.skip(uint64_t{in.read(5)} * samples);
        } else {
            for (uint32_t s = 0; s < samples && in.ok(); ++s) {
                in.unary();
                in.skip(param);
            }
        }
        if (!in.ok())
            return Parse::Short;
    }
    return Parse::Done;
}

Parse subframe(BitReader& in, uint32_t blockSize, unsigned bits)
{
    const unsigned padding = in.read(1);
    const unsigned type = in.read(6);
    if (in.read(1)) { // wasted bits per sample
        const uint64_t wasted = in.unary() + 1;
        if (wasted >= bits)
            return in.ok() ? Parse::Invalid : Parse::Short;
        bits -= static_cast<unsigned>(wasted);
    }
    if (!in.ok())
        return Parse::Short;
    if (padding != 0)
        return Parse::Invalid;
    if (type == 0) { // constant
        in.skip(bits);
    } else if (type == 1) { // verbatim
        in.skip(uint64_t{blockSize} * bits);
    } else if (type >= 8 && type <= 12) { // fixed predictor
        const unsigned order = type - 8;
        in.skip(uint64_t{order} * bits);
        return in.ok() ? residual(in, blockSize, order) : Parse::Short;
    } else if (type >= 32) { // linear predictor
        const unsigned order = (type & 31) + 1;
        in.skip(uint64_t{order} * bits);
        const unsigned precision = in.read(4);
        if (precision == 15)
            return in.ok() ? Parse::Invalid : Parse::Short;
        in.skip(5 + uint64_t{order} * (precision + 1));
        return in.ok() ? residual(in, blockSize, order) : Parse::Short;
    } else {
        return Parse::Invalid;
    }
    return in.ok() ? Parse::Done : Parse::Short;
}

constexpr unsigned kSampleSizes[8] = {0, 8, 12, 0, 16, 20, 24, 32};

} // namespace

bool parseFlacStreamInfo(const uint8_t* p, FlacStreamInfo& s)
{
    s.minBlock = static_cast<uint32_t>(p[0] << 8 | p[1]);
    s.maxBlock = static_cast<uint32_t>(p[2] << 8 | p[3]);
    s.minFrame = static_cast<uint32_t>(p[4] << 16 | p[5] << 8 | p[6]);
    s.maxFrame = static_cast<uint32_t>(p[7] << 16 | p[8] << 8 | p[9]);
    s.sampleRate = static_cast<uint32_t>(p[10] << 12 | p[11] << 4 | p[12] >> 4);
    s.channels = ((p[12] >> 1) & 7) + 1;
    s.bitsPerSample = ((p[12] & 1) << 4 | p[13] >> 4) + 1;
    s.totalSamples =
        uint64_t{p[13] & 0x0Fu} << 32 | uint64_t{p[14]} << 24 | uint64_t{p[15]} << 16 | uint64_t{p[16]} << 8 | p[17];
    // A frame is never longer than its samples stored verbatim (a side
    // channel one bit wider) and its headers.
    const uint64_t longestFrame = uint64_t{s.maxBlock} * s.channels * (s.bitsPerSample + 1) / 8 + 64;
    return s.minBlock >= 16 && s.maxBlock >= s.minBlock && s.sampleRate > 0 && s.sampleRate <= 655350 &&
        s.bitsPerSample >= 4 && (s.minFrame == 0 || s.maxFrame == 0 || s.minFrame <= s.maxFrame) &&
        s.maxFrame <= longestFrame;
}

FlacFrameHeader parseFlacFrameHeader(const uint8_t* p)
{
    FlacFrameHeader h;
    if (p[0] != 0xFF || (p[1] & 0xFE) != 0xF8)
        return {};
    const unsigned blockCode = p[2] >> 4, rateCode = p[2] & 0xF;
    const unsigned channelCode = p[3] >> 4, sizeCode = (p[3] >> 1) & 7;
    if (blockCode == 0 || rateCode == 15 || channelCode > 10 || sizeCode == 3 || (p[3] & 1))
        return {};
    h.variable = p[1] & 1;
    // The number, UTF-8 coded: 31 bits for frames, 36 for samples.
    size_t at = 4;
    unsigned extra = 0;
    uint64_t number = p[at];
    if (number >= 0x80) {
        unsigned ones = 0;
        while (ones < 8 && (p[at] & (0x80 >> ones)))
            ++ones;
        if (ones < 2 || ones > (h.variable ? 7u : 6u))
            return {};
        extra = ones - 1;
        number = ones == 7 ? 0 : (p[at] & (0x7F >> ones));
    }
    ++at;
    for (unsigned i = 0; i < extra; ++i, ++at) {
        if ((p[at] & 0xC0) != 0x80)
            return {};
        number = number << 6 | (p[at] & 0x3F);
    }
    h.number = number;
    if (blockCode == 1)
        h.blockSize = 192;
    else if (blockCode <= 5)
        h.blockSize = 576u << (blockCode - 2);
    else if (blockCode == 6)
        h.blockSize = p[at++] + 1u;
    else if (blockCode == 7) {
        h.blockSize = (p[at] << 8 | p[at + 1]) + 1u;
        at += 2;
    } else
        h.blockSize = 256u << (blockCode - 8);
    if (rateCode == 12)
        at += 1;
    else if (rateCode == 13 || rateCode == 14)
        at += 2;
    uint8_t crc = 0;
    for (size_t i = 0; i < at; ++i)
        crc = kCrc8[crc ^ p[i]];
    if (crc != p[at])
        return {};
    h.length = at + 1;
    h.channelCode = channelCode;
    h.bitsPerSample = kSampleSizes[sizeCode];
    return h;
}

long flacFrameLength(const uint8_t* p, size_t size, const FlacFrameHeader& h, const FlacStreamInfo& info)
{
    const unsigned bits = h.bitsPerSample ? h.bitsPerSample : info.bitsPerSample;
    const unsigned channels = h.channelCode < 8 ? h.channelCode + 1 : 2;
    BitReader in(p, size, h.length);
    for (unsigned c = 0; c < channels; ++c) {
        // The side channel of a stereo pair carries one bit more.
        const bool side =
            (h.channelCode == 8 && c == 1) || (h.channelCode == 9 && c == 0) || (h.channelCode == 10 && c == 1);
        const Parse r = subframe(in, h.blockSize, bits + (side ? 1 : 0));
        if (r == Parse::Invalid)
            return -1;
        if (r == Parse::Short)
            return 0;
    }
    const uint64_t end = (in.pos() + 7) / 8 + 2;
    if (end > size)
        return 0;
    uint16_t crc = 0;
    for (size_t i = 0; i + 2 < end; ++i)
        crc = static_cast<uint16_t>((crc << 8) ^ kCrc16[((crc >> 8) ^ p[i]) & 0xFF]);
    return crc == (p[end - 2] << 8 | p[end - 1]) ? static_cast<long>(end) : -1;
}

} // namespace ostrel::walkers
