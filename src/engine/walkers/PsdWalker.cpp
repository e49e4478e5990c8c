#include "engine/walkers/PsdWalker.h"

#include <array>
#include <cstring>

namespace ostrel::walkers {

namespace {

// Row byte counts read at once (each 2 bytes in a PSD, 4 in a PSB).
constexpr uint64_t kRowCountsPerRecord = 16384;

bool resourceSignature(const uint8_t* p)
{
    for (const char* s : {"8BIM", "MeSa", "AgHg", "PHUT", "DCSR"}) {
        if (std::memcmp(p, s, 4) == 0)
            return true;
    }
    return false;
}

bool zlibHeader(const uint8_t* p)
{
    return (p[0] & 0x0f) == 8 && (p[0] >> 4) <= 7 && ((p[0] << 8) | p[1]) % 31 == 0;
}

} // namespace

PsdWalker::PsdWalker()
{
    need(26);
}

PsdWalker::~PsdWalker()
{
    if (inflating_)
        inflateEnd(&zip_);
}

void PsdWalker::onHeader(const uint8_t* p)
{
    static const uint8_t kZeros[6] = {};
    const uint16_t version = be16(p + 4);
    channels_ = be16(p + 12);
    height_ = be32(p + 14);
    width_ = be32(p + 18);
    depth_ = be16(p + 22);
    mode_ = be16(p + 24);
    large_ = version == 2;
    const uint32_t maxSide = large_ ? 300000 : 30000;
    const bool modeOk = mode_ <= 4 || (mode_ >= 7 && mode_ <= 9);
    if (std::memcmp(p, "8BPS", 4) != 0 || (version != 1 && version != 2) || std::memcmp(p + 6, kZeros, 6) != 0 ||
        channels_ < 1 || channels_ > 56 || height_ < 1 || height_ > maxSide || width_ < 1 || width_ > maxSide ||
        (depth_ != 1 && depth_ != 8 && depth_ != 16 && depth_ != 32) || !modeOk) {
        notFormat();
        return;
    }
    proven_ = large_ ? "PSB" : "PSD";
    step_ = Step::ColourModeLength;
    need(4);
}

void PsdWalker::onField(const uint8_t* p, size_t size)
{
    switch (step_) {
    case Step::Header:
        onHeader(p);
        break;
    case Step::ColourModeLength: {
        // Indexed colour keeps a 768-byte palette here; duotone a short block.
        const uint32_t length = be32(p);
        if (length > 65536 || (mode_ == 2 && length != 768)) {
            refuse();
            return;
        }
        continuesTo(position() + length);
        skip(length);
        step_ = Step::ResourcesLength;
        need(4);
        break;
    }
    case Step::ResourcesLength: {
        const uint32_t length = be32(p);
        continuesTo(position() + length);
        if (length == 0) {
            step_ = Step::LayersLength;
            need(large_ ? 8 : 4);
        } else if (length < 12) {
            refuse(); // shorter than one resource block
        } else {
            resourcesLength_ = length;
            step_ = Step::FirstResource;
            need(4);
        }
        break;
    }
    case Step::FirstResource:
        if (!resourceSignature(p)) {
            refuse();
            return;
        }
        skip(resourcesLength_ - 4);
        step_ = Step::LayersLength;
        need(large_ ? 8 : 4);
        break;
    case Step::LayersLength: {
        const uint64_t length = large_ ? be64(p) : be32(p);
        if (length > (uint64_t{1} << 44)) {
            refuse();
            return;
        }
        continuesTo(position() + length);
        skip(length);
        step_ = Step::Compression;
        need(2);
        break;
    }
    case Step::Compression:
        onCompression(be16(p));
        break;
    case Step::RowCounts:
        onRowCounts(p, size);
        break;
    case Step::ZlibHeader:
        if (!zlibHeader(p)) {
            if (streamsLeft_ == channels_)
                brokenAt(recordStart()); // ZIP image data that is no deflate stream
            else
                endsAt(recordStart());
            return;
        }
        if (inflateInit(&zip_) != Z_OK) {
            brokenAt(recordStart());
            return;
        }
        inflating_ = true;
        streamStart_ = recordStart();
        zip_.next_in = const_cast<uint8_t*>(p);
        zip_.avail_in = 2;
        {
            std::array<uint8_t, 64> out;
            zip_.next_out = out.data();
            zip_.avail_out = out.size();
            inflate(&zip_, Z_NO_FLUSH);
        }
        step_ = Step::Deflate;
        scan();
        break;
    case Step::Deflate:
        break;
    }
}

void PsdWalker::onCompression(uint16_t method)
{
    switch (method) {
    case 0: {
        const uint64_t rowBytes = (uint64_t{width_} * depth_ + 7) / 8;
        finishAt(position() + uint64_t{channels_} * height_ * rowBytes);
        break;
    }
    case 1:
        rowCountsLeft_ = uint64_t{channels_} * height_;
        rleBytes_ = 0;
        step_ = Step::RowCounts;
        needRowCounts();
        break;
    case 2:
    case 3:
        // One deflate stream for the image or one per channel.
        streamsLeft_ = channels_;
        step_ = Step::ZlibHeader;
        need(2);
        break;
    default:
        brokenAt(recordStart());
        break;
    }
}

void PsdWalker::needRowCounts()
{
    const uint64_t n = std::min(rowCountsLeft_, kRowCountsPerRecord);
    need(static_cast<size_t>(n * (large_ ? 4 : 2)));
}

void PsdWalker::onRowCounts(const uint8_t* p, size_t size)
{
    const size_t entry = large_ ? 4 : 2;
    for (size_t at = 0; at < size; at += entry)
        rleBytes_ += large_ ? be32(p + at) : be16(p + at);
    rowCountsLeft_ -= size / entry;
    if (rowCountsLeft_ > 0)
        needRowCounts();
    else
        finishAt(position() + rleBytes_);
}

size_t PsdWalker::onScan(const uint8_t* data, size_t size)
{
    if (step_ != Step::Deflate)
        return size;
    std::array<uint8_t, 16384> out;
    zip_.next_in = const_cast<uint8_t*>(data);
    zip_.avail_in = static_cast<uInt>(size);
    while (true) {
        zip_.next_out = out.data();
        zip_.avail_out = out.size();
        const int rc = inflate(&zip_, Z_NO_FLUSH);
        const size_t used = size - zip_.avail_in;
        if (rc == Z_STREAM_END) {
            inflateEnd(&zip_);
            inflating_ = false;
            continuesTo(position() + used);
            if (--streamsLeft_ == 0) {
                endsAt(position() + used);
            } else {
                step_ = Step::ZlibHeader;
                need(2);
            }
            return used;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            // After a whole stream, bytes that only looked like the start of
            // another are the next file's.
            if (streamsLeft_ < channels_)
                endsAt(streamStart_);
            else
                brokenAt(position() + used);
            return used;
        }
        if (zip_.avail_in == 0 && zip_.avail_out != 0) {
            continuesTo(position() + size);
            return size;
        }
    }
}

} // namespace ostrel::walkers
