#include "engine/walkers/JpegWalker.h"

#include "engine/walkers/StreamWalker.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ostrel::walkers {
namespace {

constexpr uint8_t kTEM = 0x01;
constexpr uint8_t kSOF0 = 0xC0;
constexpr uint8_t kDHT = 0xC4;
constexpr uint8_t kJPG = 0xC8;
constexpr uint8_t kDAC = 0xCC;
constexpr uint8_t kSOF15 = 0xCF;
constexpr uint8_t kRST0 = 0xD0;
constexpr uint8_t kRST7 = 0xD7;
constexpr uint8_t kSOI = 0xD8;
constexpr uint8_t kEOI = 0xD9;
constexpr uint8_t kSOS = 0xDA;
constexpr uint8_t kDQT = 0xDB;
constexpr uint8_t kDRI = 0xDD;
constexpr uint8_t kDHP = 0xDE;
constexpr uint8_t kAPP0 = 0xE0;
constexpr uint8_t kAPP2 = 0xE2;
constexpr uint8_t kAPP15 = 0xEF;
constexpr uint8_t kCOM = 0xFE;

// Fill bytes (0xFF) may precede any marker; real files have a handful. A
// long run is an erased flash area after a cut file, not a marker.
constexpr unsigned kMaxFillBytes = 512;
constexpr unsigned kMaxHeaderFillBytes = 7;
// How much of the first segment the header check looks at.
constexpr size_t kHeaderProbe = 64;
// How much of an APP2 segment is read for an MPF index: its IFD and entry
// list come first and take a few hundred bytes.
constexpr size_t kMpfProbe = 2048;

// Limits on the images an MPF index may add: they follow the first image
// closely (a gap is padding), and a damaged index must not make a file of
// gigabytes.
constexpr size_t kMaxListedImages = 32;
constexpr uint64_t kMaxImageGap = 1 << 20;
constexpr uint64_t kMaxListedImage = 256ull << 20;
constexpr uint64_t kMaxListedTotal = 1ull << 30;

bool isSof(uint8_t code)
{
    return code >= kSOF0 && code <= kSOF15 && code != kDHT && code != kJPG && code != kDAC;
}

bool isApp(uint8_t code)
{
    return code >= kAPP0 && code <= kAPP15;
}

// Markers a JPEG stream may open with, right after SOI.
bool mayFollowSoi(uint8_t code)
{
    return isSof(code) || code == kDHT || code == kDAC || code == kDQT || code == kDRI || code == kDHP ||
           isApp(code) || code == kCOM;
}

// Shortest length field each opening segment can have (the field counts
// itself); DRI has exactly 4.
bool plausibleOpeningLength(uint8_t code, uint16_t length)
{
    if (code == kDRI)
        return length == 4;
    if (code == kDQT)
        return length >= 2 + 65;
    if (code == kDHT)
        return length >= 2 + 17;
    if (isSof(code) || code == kDHP)
        return length >= 2 + 6 + 3;
    if (code == kDAC)
        return length >= 4 && length <= 2 + 2 * 8 && length % 2 == 0; // up to 8 two-byte conditioning entries
    return length >= 2;
}

// An APPn payload opens with a NUL-terminated ASCII name ("Exif", "JFIF",
// "ICC_PROFILE", "MPF", "Photoshop 3.0", "Adobe", XMP's namespace).
bool hasAppIdentifier(const uint8_t* p, size_t n)
{
    const auto nameChar = [](uint8_t c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' || c == '_' ||
               c == '.' || c == ':' || c == '/' || c == '-';
    };
    size_t k = 0;
    while (k < n && k < kHeaderProbe && nameChar(p[k]))
        ++k;
    return k >= 3 && k < n && p[k] == 0;
}

bool looksLikeText(const uint8_t* p, size_t n)
{
    n = std::min<size_t>(n, 16);
    for (size_t i = 0; i < n; ++i) {
        if (!((p[i] >= 0x20 && p[i] < 0x7F) || p[i] == '\t' || p[i] == '\n' || p[i] == '\r'))
            return false;
    }
    return n > 0;
}

// Checks the tables or frame header that open a stream (the first bytes of
// the payload, `n` of `payload` bytes).
bool plausibleOpeningTables(uint8_t code, const uint8_t* p, size_t n, size_t payload)
{
    if (code == kDQT) {
        // One to four tables of 65 (8-bit) or 129 (16-bit) bytes.
        bool fits = false;
        for (size_t wide = 0; wide <= 4; ++wide) {
            for (size_t narrow = 0; wide + narrow <= 4; ++narrow)
                fits = fits || (wide + narrow > 0 && payload == 129 * wide + 65 * narrow);
        }
        return fits && (p[0] >> 4) <= 1 && (p[0] & 15) <= 3;
    }
    if (code == kDHT) {
        if ((p[0] >> 4) > 1 || (p[0] & 15) > 3 || n < 17)
            return false;
        size_t codes = 0;
        for (size_t i = 1; i <= 16; ++i)
            codes += p[i];
        return codes > 0 && codes <= 256 && 17 + codes <= payload;
    }
    if (isSof(code) || code == kDHP) {
        const unsigned precision = p[0];
        const unsigned components = p[5];
        if (precision < 2 || precision > 16 || be16(p + 3) == 0 || components == 0 || payload != 6 + 3 * components)
            return false;
        for (size_t c = 0; c < components && 6 + 3 * c + 2 < n; ++c) {
            const uint8_t sampling = p[6 + 3 * c + 1];
            const uint8_t table = p[6 + 3 * c + 2];
            if ((sampling >> 4) < 1 || (sampling >> 4) > 4 || (sampling & 15) < 1 || (sampling & 15) > 4 || table > 3)
                return false;
        }
        return true;
    }
    return true;
}

class JpegWalker final : public StreamWalker {
public:
    JpegWalker()
    {
        step_ = Step::Soi;
        need(2);
    }

    bool embeds(uint64_t offset) const override
    {
        for (size_t k = 0; k < appCount_; ++k) {
            if (offset > appSegments_[k].start && offset < appSegments_[k].end)
                return true;
        }
        for (size_t k = 0; k < imageCount_; ++k) {
            if (offset == images_[k].start)
                return true;
        }
        return false;
    }

private:
    enum class Step : uint8_t { Soi, MarkerFF, MarkerCode, Length, Payload };

    struct Span {
        uint64_t start;
        uint64_t end;
    };

    void onRecord(const uint8_t* r, size_t n) override;
    size_t onScan(const uint8_t* d, size_t n) override;

    void onSoi(const uint8_t* r);
    void onMarkerFF(uint8_t byte);
    void onMarker(uint8_t code, uint64_t at);
    void onLength(uint16_t length);
    void onPayload(const uint8_t* r, size_t n);
    void afterPayload();
    void endOfImage(uint64_t end);
    void readMpf(const uint8_t* r, size_t n);
    void nextMarker()
    {
        step_ = Step::MarkerFF;
        need(1);
    }
    // A fault inside the header check (and the look-ahead) refuses the
    // header; later it breaks the file at `at`.
    void refuse(uint64_t at)
    {
        if (inHeader_ && position() <= kHeaderLookahead)
            notFormat();
        else
            brokenAt(at);
    }

    Step step_ = Step::Soi;
    uint8_t marker_ = 0;
    uint64_t markerAt_ = 0;
    uint64_t segmentEnd_ = 0;
    unsigned fill_ = 0;
    bool pendingFF_ = false;
    // The header check: SOI, the first segment and the byte after it when
    // that lies within the look-ahead.
    bool inHeader_ = true;
    bool openingSegment_ = false;
    bool checkOpening_ = false;
    bool firstImage_ = true;
    // Images an MPF index lists after the first one, in file order.
    std::array<Span, kMaxListedImages> images_{};
    size_t imageCount_ = 0;
    size_t nextImage_ = 0;
    bool mpfRead_ = false;
    uint64_t imageEnd_ = 0;
    // The first application segments (Exif with its thumbnail, MPF, ICC).
    std::array<Span, 16> appSegments_{};
    size_t appCount_ = 0;
};

void JpegWalker::onRecord(const uint8_t* r, size_t n)
{
    switch (step_) {
    case Step::Soi:
        onSoi(r);
        break;
    case Step::MarkerFF:
        onMarkerFF(r[0]);
        break;
    case Step::MarkerCode:
        if (r[0] == 0xFF) {
            if (++fill_ > (inHeader_ ? kMaxHeaderFillBytes : kMaxFillBytes))
                refuse(markerAt_);
            markerAt_ = recordStart();
            break;
        }
        onMarker(r[0], markerAt_);
        break;
    case Step::Length:
        onLength(be16(r));
        break;
    case Step::Payload:
        onPayload(r, n);
        break;
    }
}

void JpegWalker::onSoi(const uint8_t* r)
{
    if (r[0] != 0xFF || r[1] != kSOI) {
        refuse(recordStart());
        return;
    }
    openingSegment_ = inHeader_;
    nextMarker();
}

void JpegWalker::onMarkerFF(uint8_t byte)
{
    if (byte != 0xFF) {
        refuse(recordStart());
        return;
    }
    if (!openingSegment_)
        inHeader_ = false; // the byte after the opening segment was a marker
    markerAt_ = recordStart();
    fill_ = 0;
    step_ = Step::MarkerCode;
}

void JpegWalker::onMarker(uint8_t code, uint64_t at)
{
    if (openingSegment_ && !mayFollowSoi(code)) {
        notFormat();
        return;
    }
    if (code == kTEM || (code >= kRST0 && code <= kRST7)) {
        nextMarker(); // stand-alone markers
        return;
    }
    if (code == kEOI) {
        endOfImage(at + 2);
        return;
    }
    if (code == kSOI || code < kSOF0) {
        brokenAt(at); // a new stream, or a reserved marker, where a segment must start
        return;
    }
    marker_ = code;
    markerAt_ = at;
    step_ = Step::Length;
    need(2);
}

void JpegWalker::onLength(uint16_t length)
{
    if (length < 2 || (openingSegment_ && !plausibleOpeningLength(marker_, length))) {
        refuse(markerAt_);
        return;
    }
    segmentEnd_ = recordStart() + length;
    continuesTo(segmentEnd_);
    if (isApp(marker_) && appCount_ < appSegments_.size())
        appSegments_[appCount_++] = Span{recordStart(), segmentEnd_};
    const size_t payload = length - 2u;
    checkOpening_ = openingSegment_;
    if (openingSegment_) {
        openingSegment_ = false;
        // When the opening segment ends inside the look-ahead, the header
        // check goes on to the marker that must follow it.
        inHeader_ = segmentEnd_ < kHeaderLookahead;
    }
    const bool mpf = marker_ == kAPP2 && firstImage_ && !mpfRead_ && payload >= 12;
    const size_t read = std::min(payload, mpf ? kMpfProbe : checkOpening_ ? kHeaderProbe : 0);
    if (read > 0) {
        step_ = Step::Payload;
        need(read);
        return;
    }
    afterPayload();
}

void JpegWalker::onPayload(const uint8_t* r, size_t n)
{
    if (checkOpening_) {
        const size_t payload = static_cast<size_t>(segmentEnd_ - recordStart());
        bool plausible = plausibleOpeningTables(marker_, r, n, payload);
        // A segment running past the look-ahead cannot be checked by the
        // marker after it: its content must look right instead.
        if (plausible && !inHeader_ && isApp(marker_))
            plausible = hasAppIdentifier(r, n);
        if (plausible && !inHeader_ && marker_ == kCOM)
            plausible = looksLikeText(r, n);
        if (!plausible) {
            notFormat();
            return;
        }
        checkOpening_ = false;
    }
    if (marker_ == kAPP2 && firstImage_ && !mpfRead_)
        readMpf(r, n);
    afterPayload();
}

void JpegWalker::afterPayload()
{
    skip(segmentEnd_ - position());
    if (marker_ == kSOS) {
        pendingFF_ = false;
        scan();
    } else {
        nextMarker();
    }
}

// Entropy-coded data: 0xFF is followed by a stuffed 0x00, a restart marker
// or fill bytes; any other marker ends the scan.
size_t JpegWalker::onScan(const uint8_t* d, size_t n)
{
    size_t i = 0;
    if (pendingFF_) {
        pendingFF_ = false;
        const uint8_t b = d[0];
        if (b == 0xFF) {
            pendingFF_ = true;
            return 1;
        }
        if (b != 0 && (b < kRST0 || b > kRST7)) {
            onMarker(b, position() - 1);
            return 1;
        }
        i = 1;
    }
    while (i < n) {
        const void* hit = std::memchr(d + i, 0xFF, n - i);
        if (!hit)
            break;
        const size_t j = static_cast<size_t>(static_cast<const uint8_t*>(hit) - d);
        if (j + 1 == n) {
            pendingFF_ = true;
            break;
        }
        const uint8_t b = d[j + 1];
        if (b == 0 || (b >= kRST0 && b <= kRST7)) {
            i = j + 2;
        } else if (b == 0xFF) {
            i = j + 1;
        } else {
            onMarker(b, position() + j);
            return j + 2;
        }
    }
    continuesTo(position() + n);
    return n;
}

// EOI ends the image at `end`. The next image an MPF index lists follows;
// after the last one the file ends.
void JpegWalker::endOfImage(uint64_t end)
{
    if (firstImage_) {
        firstImage_ = false;
        if (imageCount_ > 0 && images_[0].start >= end)
            continuesTo(images_[imageCount_ - 1].end);
        else
            imageCount_ = 0; // an index that does not fit the stream is ignored
    }
    if (nextImage_ >= imageCount_) {
        endsAt(std::max(end, imageEnd_));
        return;
    }
    const Span next = images_[nextImage_++];
    if (next.start < end) {
        brokenAt(end); // the image ran into the next one the index lists
        return;
    }
    imageEnd_ = next.end;
    skip(next.start - end);
    step_ = Step::Soi;
    need(2);
}

// The APP2 "MPF" index: a TIFF structure whose MP Entry tag lists every
// image by size and offset (from the TIFF header; 0 for the first image).
void JpegWalker::readMpf(const uint8_t* r, size_t n)
{
    if (n < 12 || std::memcmp(r, "MPF\0", 4) != 0)
        return;
    mpfRead_ = true;
    const uint8_t* t = r + 4;
    const size_t tn = n - 4;
    const uint64_t base = recordStart() + 4;
    bool little;
    if (std::memcmp(t, "II*\0", 4) == 0)
        little = true;
    else if (std::memcmp(t, "MM\0*", 4) == 0)
        little = false;
    else
        return;
    auto u16 = [&](size_t at) { return little ? le16(t + at) : be16(t + at); };
    auto u32 = [&](size_t at) { return little ? le32(t + at) : be32(t + at); };
    const uint32_t ifd = u32(4);
    if (ifd < 8 || ifd > tn - 2)
        return;
    const size_t tags = u16(ifd);
    uint64_t listAt = 0;
    uint64_t listSize = 0;
    for (size_t k = 0; k < tags && ifd + 2 + 12 * (k + 1) <= tn; ++k) {
        const size_t e = ifd + 2 + 12 * k;
        if (u16(e) == 0xB002) {
            listSize = u32(e + 4);
            listAt = u32(e + 8);
        }
    }
    if (listAt > tn || listSize > tn - listAt)
        return;
    // The first image's entry gives where it ends; the others must follow
    // it in order, each after the previous one.
    uint64_t previousEnd = 0;
    std::array<Span, kMaxListedImages> found{};
    size_t count = 0;
    for (size_t k = 0; k + 1 <= listSize / 16; ++k) {
        const size_t e = static_cast<size_t>(listAt) + 16 * k;
        const uint64_t size = u32(e + 4);
        const uint64_t offset = u32(e + 8);
        if (offset == 0) {
            previousEnd = std::max(previousEnd, size);
            continue;
        }
        if (count < kMaxListedImages && size >= 4 && size <= kMaxListedImage)
            found[count++] = Span{base + offset, base + offset + size};
    }
    std::sort(found.begin(), found.begin() + static_cast<long>(count),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    for (size_t k = 0; k < count; ++k) {
        const Span& s = found[k];
        if (s.start < previousEnd || s.start - previousEnd > kMaxImageGap || s.end > kMaxListedTotal)
            break;
        images_[imageCount_++] = s;
        previousEnd = s.end;
    }
}

} // namespace

std::unique_ptr<FormatWalker> makeJpegWalker()
{
    return std::make_unique<JpegWalker>();
}

} // namespace ostrel::walkers
