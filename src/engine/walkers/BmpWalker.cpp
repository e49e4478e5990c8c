#include "engine/walkers/BmpWalker.h"

#include "engine/walkers/StreamWalker.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {
namespace {

constexpr size_t kFileHeader = 14;
constexpr uint32_t kCoreHeader = 12;  // OS/2 1.x BITMAPCOREHEADER
constexpr uint32_t kInfoHeader = 40;  // BITMAPINFOHEADER
constexpr uint32_t kOs2Header = 64;   // OS/2 2.x BITMAPINFOHEADER2
constexpr uint32_t kV5Header = 124;   // BITMAPV5HEADER
constexpr int64_t kMaxDimension = 1 << 18;
// Writers add a little after the pixels (Photoshop two bytes, others pad to
// a block); more than this is not a BMP's size field.
constexpr uint64_t kTrailingSlack = 64 * 1024;
constexpr uint32_t kEmbeddedProfile = 0x4D424544; // 'MBED'

enum Compression : uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, Jpeg = 4, Png = 5, AlphaBitFields = 6 };

bool knownDibSize(uint32_t dib)
{
    return dib == kCoreHeader || dib == kInfoHeader || dib == 52 || dib == 56 || dib == kOs2Header || dib == 108 ||
           dib == kV5Header;
}

bool plainBitCount(uint32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

struct Layout {
    bool compressed = false; // the pixel bytes are imageSize, not width x height
    uint64_t masks = 0;      // colour masks between header and palette
};

// Whether bit count and compression go together; fills what they imply.
bool fitsCompression(uint32_t dib, uint32_t bits, uint32_t compression, Layout& layout)
{
    if (dib == kOs2Header && compression == BitFields) // OS/2 Huffman 1D
        return layout.compressed = bits == 1;
    if (dib == kOs2Header && compression == Jpeg) // OS/2 RLE24
        return layout.compressed = bits == 24;
    switch (compression) {
    case Rgb:
        return plainBitCount(bits);
    case Rle8:
        return layout.compressed = bits == 8;
    case Rle4:
        return layout.compressed = bits == 4;
    case BitFields:
    case AlphaBitFields:
        layout.masks = dib == kInfoHeader ? (compression == BitFields ? 12 : 16) : 0;
        return bits == 16 || bits == 32;
    case Jpeg:
    case Png:
        return layout.compressed = bits == 0;
    default:
        return false;
    }
}

} // namespace

uint64_t bmpFileSize(const uint8_t* h, size_t size)
{
    if (size < kFileHeader + 4 || h[0] != 'B' || h[1] != 'M')
        return 0;
    const uint64_t fileSize = le32(h + 2);
    const uint64_t offset = le32(h + 10);
    const uint32_t dib = le32(h + 14);
    if (le32(h + 6) != 0 || !knownDibSize(dib) || size < kFileHeader + dib)
        return 0;
    const uint8_t* d = h + kFileHeader;
    const bool core = dib == kCoreHeader;
    const int64_t width = core ? le16(d + 4) : static_cast<int32_t>(le32(d + 4));
    const int64_t height = core ? le16(d + 6) : static_cast<int32_t>(le32(d + 8));
    const uint32_t planes = core ? le16(d + 8) : le16(d + 12);
    const uint32_t bits = core ? le16(d + 10) : le16(d + 14);
    const uint32_t compression = core ? Rgb : le32(d + 16);
    const uint64_t imageSize = core ? 0 : le32(d + 20);
    const uint64_t coloursUsed = core ? 0 : le32(d + 32);
    Layout layout;
    if (planes != 1 || !fitsCompression(dib, bits, compression, layout) || (core && bits == 16) ||
        (core && bits == 32))
        return 0;
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    if (width < 1 || width > kMaxDimension || rows < 1 || rows > kMaxDimension ||
        (height < 0 && layout.compressed)) // only plain pixels may run top-down
        return 0;
    // The palette must fit before the pixels; a writer may store fewer
    // colours than the bit count allows, never more.
    const uint64_t paletteEntry = core ? 3 : 4;
    if (bits <= 8 && coloursUsed > (bits ? 1u << bits : 0))
        return 0;
    const uint64_t headers = kFileHeader + dib + layout.masks + (bits <= 8 ? coloursUsed * paletteEntry : 0);
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    uint64_t pixels = rowBytes * rows;
    if (layout.compressed) {
        // Compressed pixels have their size in the header; run-length data
        // is at most a count byte and three value bytes per pixel, plus
        // end-of-line codes.
        const uint64_t worst = bits == 0 ? fileSize : (4 * static_cast<uint64_t>(width) + 4) * rows + 16;
        if (imageSize == 0 || imageSize > worst)
            return 0;
        pixels = imageSize;
    }
    uint64_t contentEnd = offset + pixels;
    if (dib == kV5Header && le32(d + 56) == kEmbeddedProfile)
        contentEnd = std::max<uint64_t>(contentEnd, kFileHeader + uint64_t{le32(d + 112)} + le32(d + 116));
    if (offset < headers || fileSize < offset + pixels || fileSize > contentEnd + kTrailingSlack)
        return 0;
    return fileSize;
}

namespace {

class BmpWalker final : public StreamWalker {
public:
    BmpWalker() { need(kFileHeader + 4); }

private:
    void onRecord(const uint8_t* r, size_t n) override
    {
        if (have_ == 0) {
            std::memcpy(header_, r, n);
            have_ = n;
            const uint32_t dib = le32(r + kFileHeader);
            if (r[0] != 'B' || r[1] != 'M' || !knownDibSize(dib)) {
                notFormat();
                return;
            }
            need(dib - 4);
            return;
        }
        std::memcpy(header_ + have_, r, std::min(n, sizeof header_ - have_));
        have_ += n;
        const uint64_t size = bmpFileSize(header_, have_);
        if (size == 0)
            notFormat();
        else
            endsAt(size);
    }

    uint8_t header_[kBmpLongestHeader] = {};
    size_t have_ = 0;
};

} // namespace

std::unique_ptr<FormatWalker> makeBmpWalker()
{
    return std::make_unique<BmpWalker>();
}

} // namespace ostrel::walkers
