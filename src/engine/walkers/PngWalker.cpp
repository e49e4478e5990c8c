#include "engine/walkers/PngWalker.h"

#include "engine/walkers/StreamWalker.h"

#include <zlib.h>

#include <cstring>

namespace ostrel::walkers {
namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint8_t kMngSignature[8] = {0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;
constexpr size_t kChunkHeader = 8;
constexpr size_t kCrc = 4;

bool isChunkType(const uint8_t* t)
{
    for (int i = 0; i < 4; ++i) {
        if (!((t[i] >= 'A' && t[i] <= 'Z') || (t[i] >= 'a' && t[i] <= 'z')))
            return false;
    }
    return true;
}

// The header chunk's CRC covers its type and data.
bool crcMatches(const uint8_t* typeAndData, size_t size)
{
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), typeAndData, static_cast<uInt>(size));
    return crc == be32(typeAndData + size);
}

// IHDR: width, height, bit depth, colour type, compression, filter, interlace.
bool plausibleIhdr(const uint8_t* d)
{
    const uint32_t width = be32(d);
    const uint32_t height = be32(d + 4);
    const uint8_t depth = d[8];
    const uint8_t colour = d[9];
    const bool depthFits = colour == 0   ? (depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16)
                           : colour == 3 ? (depth == 1 || depth == 2 || depth == 4 || depth == 8)
                           : (colour == 2 || colour == 4 || colour == 6) && (depth == 8 || depth == 16);
    return width > 0 && width <= kMaxChunkLength && height > 0 && height <= kMaxChunkLength && depthFits &&
           d[10] == 0 && d[11] == 0 && d[12] <= 1;
}

class PngWalker final : public StreamWalker {
public:
    explicit PngWalker(bool mng) : mng_(mng) { need(sizeof kPngSignature + 4); }

private:
    enum class Step : uint8_t { Signature, HeaderChunk, IhdrLength, Chunk };

    void onRecord(const uint8_t* r, size_t n) override;
    void onHeaderChunk(const uint8_t* r, size_t n);
    void onChunk(const uint8_t* r);
    // The header chunk (from its type to its CRC) comes next.
    void headerChunk(uint32_t length)
    {
        step_ = Step::HeaderChunk;
        need(4 + length + kCrc);
    }

    const bool mng_;
    Step step_ = Step::Signature;
};

void PngWalker::onRecord(const uint8_t* r, size_t n)
{
    switch (step_) {
    case Step::Signature: {
        const uint32_t length = be32(r + sizeof kPngSignature);
        const bool known = mng_ ? length == 28 : (length == 13 || length == 4);
        if (std::memcmp(r, mng_ ? kMngSignature : kPngSignature, sizeof kPngSignature) != 0 || !known)
            notFormat();
        else
            headerChunk(length);
        break;
    }
    case Step::HeaderChunk:
        onHeaderChunk(r, n);
        break;
    case Step::IhdrLength:
        if (be32(r) == 13)
            headerChunk(13);
        else
            notFormat();
        break;
    case Step::Chunk:
        onChunk(r);
        break;
    }
}

// The first chunk from its type on: IHDR (13 bytes) or MHDR (28), CRC
// checked. iPhone-optimised PNGs put a 4-byte CgBI chunk before IHDR.
void PngWalker::onHeaderChunk(const uint8_t* r, size_t n)
{
    const size_t length = n - 4 - kCrc;
    const char* type = mng_ ? "MHDR" : length == 4 ? "CgBI" : "IHDR";
    if (std::memcmp(r, type, 4) != 0 || !crcMatches(r, n - kCrc) || (length == 13 && !plausibleIhdr(r + 4))) {
        notFormat();
        return;
    }
    continuesTo(position());
    if (length == 4) {
        step_ = Step::IhdrLength; // IHDR must follow CgBI
        need(4);
        return;
    }
    step_ = Step::Chunk;
    need(kChunkHeader);
}

// A chunk header: its data and CRC are skipped; IEND or MEND ends the file.
void PngWalker::onChunk(const uint8_t* r)
{
    const uint32_t length = be32(r);
    if (length > kMaxChunkLength || !isChunkType(r + 4)) {
        brokenAt(recordStart());
        return;
    }
    const uint64_t end = position() + length + kCrc;
    if (std::memcmp(r + 4, mng_ ? "MEND" : "IEND", 4) == 0) {
        endsAt(end);
        return;
    }
    continuesTo(end);
    skip(length + kCrc);
}

} // namespace

std::unique_ptr<FormatWalker> makePngWalker(bool mng)
{
    return std::make_unique<PngWalker>(mng);
}

} // namespace ostrel::walkers
