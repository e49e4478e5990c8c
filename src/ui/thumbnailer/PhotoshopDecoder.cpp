// PSD and PSB composite image. The layout (Adobe's file format notes): a
// 26-byte header, then three sections each led by its length (colour mode
// data, image resources, layers and masks; the last with an 8-byte length
// in PSB), then the composite: a compression word and the channel planes,
// one after the other, each row raw or PackBits-compressed with a table of
// row byte counts in front. Only the rows and columns the picture keeps are
// decoded.

#include "PictureDecoders.h"

#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {
constexpr uint32_t kMaxSide = 300000; // PSB's largest canvas

// A bounds-checked reader over the file.
class Cursor {
public:
    Cursor(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    bool has(uint64_t bytes) const { return bytes <= size_ - pos_; }
    bool skip(uint64_t bytes)
    {
        if (!has(bytes))
            return false;
        pos_ += static_cast<size_t>(bytes);
        return true;
    }
    bool u16(uint32_t* v) { return read(2, v); }
    bool u32(uint32_t* v) { return read(4, v); }
    bool u64(uint64_t* v)
    {
        uint32_t hi = 0, lo = 0;
        if (!u32(&hi) || !u32(&lo))
            return false;
        *v = (uint64_t(hi) << 32) | lo;
        return true;
    }
    size_t pos() const { return pos_; }

private:
    bool read(int bytes, uint32_t* v)
    {
        if (!has(static_cast<uint64_t>(bytes)))
            return false;
        *v = bytes == 2 ? qFromBigEndian<quint16>(data_ + pos_) : qFromBigEndian<quint32>(data_ + pos_);
        pos_ += static_cast<size_t>(bytes);
        return true;
    }
    const unsigned char* data_;
    size_t size_;
    size_t pos_ = 0;
};

struct Header {
    bool big = false; // PSB
    uint32_t channels = 0, height = 0, width = 0, depth = 0, mode = 0;
};

// Unpacks one PackBits row from [in, in + inSize) into `out` (rowBytes
// long); false when the row is malformed. Bytes past the row are ignored.
bool unpackBits(const unsigned char* in, size_t inSize, std::vector<unsigned char>& out)
{
    size_t i = 0, o = 0;
    const size_t rowBytes = out.size();
    while (o < rowBytes && i < inSize) {
        const int n = static_cast<signed char>(in[i++]);
        if (n >= 0) {
            const size_t count = static_cast<size_t>(n) + 1;
            if (count > inSize - i)
                return false;
            const size_t copy = std::min(count, rowBytes - o);
            std::copy_n(in + i, copy, out.begin() + static_cast<std::ptrdiff_t>(o));
            i += count;
            o += copy;
        } else if (n != -128) {
            if (i >= inSize)
                return false;
            const size_t count = std::min(static_cast<size_t>(1 - n), rowBytes - o);
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(o), count, in[i++]);
            o += count;
        }
    }
    return o == rowBytes;
}

// Which planes make the picture, by colour mode.
int planesFor(const Header& h)
{
    switch (h.mode) {
    case 1: case 2: case 8: return 1; // grey, indexed, duotone (shown grey)
    case 3: return 3;                 // RGB
    case 4: return 4;                 // CMYK
    default: return 0;                // bitmap, multichannel, Lab: not shown
    }
}
} // namespace

QImage decodePhotoshop(const unsigned char* data, size_t size, int maxSide)
{
    Cursor c(data, size);
    Header h;
    uint32_t version = 0;
    if (size < 26 || std::string_view(reinterpret_cast<const char*>(data), 4) != "8BPS" || !c.skip(4) ||
        !c.u16(&version) || (version != 1 && version != 2) || !c.skip(6) || !c.u16(&h.channels) ||
        !c.u32(&h.height) || !c.u32(&h.width) || !c.u16(&h.depth) || !c.u16(&h.mode))
        return QImage();
    h.big = version == 2;
    const int planes = planesFor(h);
    if (planes == 0 || h.channels < static_cast<uint32_t>(planes) || h.channels > 56 || h.width == 0 ||
        h.height == 0 || h.width > kMaxSide || h.height > kMaxSide || (h.depth != 8 && h.depth != 16))
        return QImage();

    // Colour mode data: the palette of an indexed picture.
    uint32_t length = 0;
    if (!c.u32(&length) || !c.has(length))
        return QImage();
    const unsigned char* palette = data + c.pos();
    if (h.mode == 2 && length < 768)
        return QImage();
    c.skip(length);
    // Image resources, then layers and masks.
    uint64_t section = 0;
    if (!c.u32(&length) || !c.skip(length))
        return QImage();
    if (h.big ? !c.u64(&section) : !c.u32(&length))
        return QImage();
    if (!c.skip(h.big ? section : length))
        return QImage();
    uint32_t compression = 0;
    if (!c.u16(&compression) || compression > 1)
        return QImage();

    const uint64_t bytesPerSample = h.depth / 8;
    const uint64_t rowBytes = uint64_t(h.width) * bytesPerSample;
    const uint64_t rows = uint64_t(h.channels) * h.height;
    // Sample every `step`-th row and column, to at most twice the side
    // asked for; the final scaling smooths it.
    const uint32_t target = static_cast<uint32_t>(std::max(1, maxSide) * 2);
    const uint32_t step = std::max<uint32_t>(1, (std::max(h.width, h.height) + target - 1) / target);
    const int outW = static_cast<int>((h.width + step - 1) / step);
    const int outH = static_cast<int>((h.height + step - 1) / step);

    // Row start offsets: raw rows are evenly spaced; PackBits rows follow
    // their byte-count table.
    const int countBytes = h.big ? 4 : 2;
    const size_t tableStart = c.pos();
    const uint64_t dataStart = compression == 1 ? tableStart + rows * countBytes : tableStart;
    if (compression == 1 && !c.has(rows * countBytes))
        return QImage();
    if (compression == 0 && !c.has(rows * rowBytes))
        return QImage();

    std::vector<std::vector<unsigned char>> plane(static_cast<size_t>(planes),
                                                  std::vector<unsigned char>(size_t(outW) * size_t(outH)));
    std::vector<unsigned char> row(static_cast<size_t>(rowBytes));
    uint64_t offset = dataStart;
    for (int p = 0; p < planes; ++p) {
        for (uint32_t y = 0; y < h.height; ++y) {
            const uint64_t index = uint64_t(p) * h.height + y;
            uint64_t count = rowBytes;
            if (compression == 1) {
                const unsigned char* at = data + tableStart + index * countBytes;
                count = h.big ? qFromBigEndian<quint32>(at) : qFromBigEndian<quint16>(at);
            }
            if (offset > size || count > size - offset)
                return QImage();
            if (y % step == 0) {
                const unsigned char* in = data + offset;
                if (compression == 1) {
                    if (!unpackBits(in, static_cast<size_t>(count), row))
                        return QImage();
                    in = row.data();
                }
                unsigned char* out = plane[size_t(p)].data() + size_t(y / step) * size_t(outW);
                for (int x = 0; x < outW; ++x)
                    out[x] = in[uint64_t(x) * step * bytesPerSample]; // the high byte of 16-bit samples
            }
            offset += count;
        }
    }

    QImage image(outW, outH, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    for (int y = 0; y < outH; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < outW; ++x) {
            const size_t i = size_t(y) * size_t(outW) + size_t(x);
            const int v0 = plane[0][i];
            switch (h.mode) {
            case 2: line[x] = qRgb(palette[v0], palette[256 + v0], palette[512 + v0]); break;
            case 3: line[x] = qRgb(v0, plane[1][i], plane[2][i]); break;
            case 4: {
                // Stored inverted: 255 is no ink.
                const int k = plane[3][i];
                line[x] = qRgb(v0 * k / 255, plane[1][i] * k / 255, plane[2][i] * k / 255);
                break;
            }
            default: line[x] = qRgb(v0, v0, v0); break;
            }
        }
    }
    return fitWithin(image, maxSide);
}
