#include "engine/walkers/OggWalker.h"

#include <array>
#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr size_t kPageHeader = 27;
constexpr uint8_t kContinued = 1, kBeginning = 2, kEnd = 4;

// CRC-32 of Ogg pages: polynomial 0x04C11DB7, not reflected, starting at 0.
constexpr std::array<uint32_t, 256> makeCrcTable()
{
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int k = 0; k < 8; ++k)
            r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
        t[i] = r;
    }
    return t;
}
constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

uint32_t crcUpdate(uint32_t crc, const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ p[i]) & 0xFF];
    return crc;
}

// The codec a stream's first packet names: the type it proves and whether
// it is video.
struct Codec {
    const char* magic;
    size_t size;
    const char* type;
    bool video;
};
constexpr Codec kCodecs[] = {
    {"OpusHead", 8, "OPUS", false},
    {"\x01vorbis", 7, "OGG", false},
    {"Speex   ", 8, "SPX", false},
    {"\x7F"
     "FLAC",
        5, "OGA", false},
    {"\x80theora", 7, "OGV", true},
    {"BBCD", 4, "OGV", true},
};
constexpr size_t kCodecBytes = 8;

} // namespace

OggWalker::OggWalker()
{
    need(kPageHeader);
}

std::string OggWalker::provenType() const
{
    if (video_)
        return "OGV";
    return firstAudio_;
}

void OggWalker::onData(const uint8_t* r, size_t size)
{
    switch (step_) {
    case Step::Page:
        onPage(r);
        break;
    case Step::Segments:
        onSegments(r, size);
        break;
    case Step::Body:
        onBody(r, size);
        break;
    }
}

int OggWalker::streamIndex(uint32_t serial) const
{
    for (unsigned i = 0; i < streamCount_; ++i) {
        if (streams_[i].serial == serial)
            return static_cast<int>(i);
    }
    return -1;
}

void OggWalker::onPage(const uint8_t* r)
{
    const uint64_t start = recordStart();
    const uint8_t type = r[5];
    if (std::memcmp(r, "OggS", 4) != 0 || r[4] != 0 || (type & ~(kContinued | kBeginning | kEnd)) != 0) {
        if (linkEnded_)
            endsAt(start);
        else
            noPage(start);
        return;
    }
    const uint32_t serial = le32(r + 14);
    bos_ = (type & kBeginning) != 0;
    if (linkEnded_) {
        // Only a new chain link may follow streams that all ended.
        if (!bos_) {
            endsAt(start);
            return;
        }
        streamCount_ = endedCount_ = 0;
        linkHeaders_ = true;
        linkEnded_ = false;
    }
    const int index = streamIndex(serial);
    if (bos_) {
        if (!linkHeaders_ || index >= 0 || (pages_ == 0 && (type & kContinued))) {
            noPage(start);
            return;
        }
        if (streamCount_ == kMaxStreams) {
            scan(); // more streams than followed: nothing more is proven
            return;
        }
        streams_[streamCount_++] = {serial, false};
    } else {
        if (index < 0 || streams_[index].ended) {
            noPage(start);
            return;
        }
        linkHeaders_ = false;
    }
    if ((type & kEnd) != 0) {
        streams_[streamIndex(serial)].ended = true;
        ++endedCount_;
    }
    std::memcpy(pageHeader_, r, kPageHeader);
    step_ = Step::Segments;
    if (r[26] == 0) {
        onSegments(r, 0);
        return;
    }
    need(r[26]);
}

void OggWalker::onSegments(const uint8_t* r, size_t size)
{
    bodySize_ = 0;
    for (size_t i = 0; i < size; ++i)
        bodySize_ += r[i];
    pageEnd_ = position() + bodySize_;
    if (pages_ == 0) {
        // The header check: the first page's CRC, computed with its field zeroed.
        uint8_t header[kPageHeader];
        std::memcpy(header, pageHeader_, kPageHeader);
        std::memset(header + 22, 0, 4);
        crc_ = crcUpdate(crcUpdate(0, header, kPageHeader), r, size);
    }
    if (bodySize_ == 0) {
        if (pages_ == 0 && crc_ != le32(pageHeader_ + 22)) {
            notFormat();
            return;
        }
        pageDone();
        return;
    }
    step_ = Step::Body;
    if (pages_ == 0 && pageEnd_ > kHeaderLookahead) {
        notFormat(); // a first page holds one small header packet
        return;
    }
    if (pages_ == 0)
        need(bodySize_);
    else if (bos_)
        need(std::min<size_t>(bodySize_, kCodecBytes));
    else
        pageDone();
}

void OggWalker::onBody(const uint8_t* r, size_t size)
{
    if (pages_ == 0 && crcUpdate(crc_, r, size) != le32(pageHeader_ + 22)) {
        notFormat();
        return;
    }
    for (const Codec& c : kCodecs) {
        if (size >= c.size && std::memcmp(r, c.magic, c.size) == 0) {
            video_ = video_ || c.video;
            if (!c.video && firstAudio_.empty())
                firstAudio_ = c.type;
        }
    }
    pageDone();
}

void OggWalker::pageDone()
{
    ++pages_;
    continuesTo(pageEnd_);
    if (streamCount_ > 0 && endedCount_ == streamCount_)
        linkEnded_ = true;
    step_ = Step::Page;
    skip(pageEnd_ - position());
    need(kPageHeader);
}

void OggWalker::noPage(uint64_t at)
{
    if (pages_ == 0)
        notFormat();
    else
        brokenAt(at); // a stream began here never ended
}

} // namespace ostrel::walkers
