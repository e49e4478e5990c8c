#include "engine/walkers/MatroskaWalker.h"

#include "engine/walkers/EbmlElements.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

using namespace ebml;

constexpr uint64_t kMaxHeaderBody = 4096;
constexpr uint64_t kMaxBlock = 256u << 20;

bool topLevelId(uint32_t id)
{
    switch (id) {
    case 0x114D9B74: // SeekHead
    case 0x1549A966: // Info
    case kTracks:
    case 0x1C53BB6B: // Cues
    case 0x1043A770: // Chapters
    case 0x1254C367: // Tags
    case 0x1941A469: // Attachments
    case kCluster:
    case kVoid:
    case kCrc32:
        return true;
    default:
        return false;
    }
}

} // namespace

MatroskaWalker::MatroskaWalker()
{
    need(2);
}

std::string MatroskaWalker::provenType() const
{
    if (docType_ == "webm")
        return "WEBM";
    if (docType_ != "matroska")
        return "";
    if (stereo_)
        return "MK3D";
    if (tracksRead_ && audio_ && !video_)
        return "MKA";
    return "MKV";
}

void MatroskaWalker::onData(const uint8_t* r, size_t size)
{
    switch (step_) {
    case Step::Head:
        onHeadBytes(r, size);
        break;
    case Step::HeaderBody:
        readHeaderBody(r, size);
        break;
    case Step::TracksBody:
        readTracks(r, size);
        if (knownSegment_)
            endSegment();
        else
            nextElement();
        break;
    case Step::Peek: {
        // SimpleBlock: a track number that Tracks declared; BlockGroup: a
        // Block or one of its usual companions first; Void: zeros, as muxers
        // write it. Random data behind a file rarely passes.
        const bool plausible = pending_.id == kSimpleBlock ? knownTrack(r[0])
            : pending_.id == kVoid                         ? r[0] == 0
                                   : (r[0] == 0xA1 || r[0] == 0x9B || r[0] == 0xFB || r[0] == 0xA2 || r[0] == 0x75 ||
                                         r[0] == 0xFA || r[0] == 0xA4 || r[0] == kVoid);
        if (!plausible) {
            if (knownSegment_)
                endSegment();
            else
                endsAt(pending_.start);
            return;
        }
        skipElement(pending_);
        break;
    }
    }
}

void MatroskaWalker::onHeadBytes(const uint8_t* r, size_t size)
{
    if (headLen_ == 0)
        pending_.start = recordStart();
    std::memcpy(head_ + headLen_, r, size);
    headLen_ += size;
    const unsigned idLen = idLength(head_[0]);
    if (idLen == 0) {
        onElement(Head{0, 0, pending_.start, 0});
        return;
    }
    if (headLen_ < idLen + 1) {
        need(idLen + 1 - headLen_);
        return;
    }
    const unsigned sizeLen = sizeLength(head_[idLen]);
    if (sizeLen == 0) {
        onElement(Head{0, 0, pending_.start, 0});
        return;
    }
    if (headLen_ < idLen + sizeLen) {
        need(idLen + sizeLen - headLen_);
        return;
    }
    uint32_t id = 0;
    for (unsigned i = 0; i < idLen; ++i)
        id = id << 8 | head_[i];
    headLen_ = 0;
    onElement(Head{id, sizeValue(head_ + idLen, sizeLen), pending_.start, pending_.start + idLen + sizeLen});
}

void MatroskaWalker::onElement(const Head& e)
{
    pending_ = e;
    if (level_ == Level::Top)
        onTopElement(e);
    else if (level_ == Level::Cluster && clusterChild(e))
        return;
    else
        onSegmentElement(e);
}

void MatroskaWalker::onTopElement(const Head& e)
{
    if (e.start == 0) {
        if (e.id != kHeader || e.size == kUnknownSize || e.size == 0 || e.size > kMaxHeaderBody) {
            notFormat();
            return;
        }
        step_ = Step::HeaderBody;
        need(e.size);
        return;
    }
    if (e.id != kSegment) {
        notFormat();
        return;
    }
    level_ = Level::Segment;
    knownSegment_ = e.size != kUnknownSize;
    if (knownSegment_) {
        segmentEnd_ = e.dataStart + e.size;
        continuesTo(segmentEnd_);
    }
    nextElement();
}

void MatroskaWalker::readHeaderBody(const uint8_t* r, size_t size)
{
    const uint8_t* p = r;
    Element e;
    while (next(p, r + size, e)) {
        if (e.id == kDocType)
            docType_.assign(
                reinterpret_cast<const char*>(e.data), strnlen(reinterpret_cast<const char*>(e.data), e.size));
        else if ((e.id == 0x42F7 && uintValue(e) != 1) || (e.id == 0x42F2 && uintValue(e) > 4) ||
            (e.id == 0x42F3 && uintValue(e) > 8))
            docType_.clear(); // a reader version, ID or size length no Matroska reader knows
    }
    if (p != r + size || (docType_ != "matroska" && docType_ != "webm")) {
        notFormat();
        return;
    }
    nextElement();
}

void MatroskaWalker::onSegmentElement(const Head& e)
{
    if (!topLevelId(e.id)) {
        // Nothing of the Segment can stand here.
        if (knownSegment_)
            endSegment();
        else
            endsAt(e.start);
        return;
    }
    if (knownSegment_ && (e.id == kCluster || tracksRead_)) {
        endSegment(); // the Tracks (for the type) come before the Clusters
        return;
    }
    if (e.size == kUnknownSize) {
        if (e.id != kCluster) {
            scan(); // an unknown size that no child walk can bound: nothing more is proven
            return;
        }
        level_ = Level::Cluster;
        continuesTo(e.dataStart);
        nextElement();
        return;
    }
    if ((e.id == kVoid && (e.size == 0 || e.size > 0xFFFF)) || (e.id == kCrc32 && e.size != 4)) {
        if (knownSegment_)
            endSegment();
        else
            endsAt(e.start);
        return;
    }
    level_ = Level::Segment;
    if (e.id == kTracks && e.size <= kMaxRecord && e.size > 0) {
        continuesTo(e.dataStart + e.size);
        step_ = Step::TracksBody;
        need(e.size);
        return;
    }
    peekOrSkip(e);
}

void MatroskaWalker::peekOrSkip(const Head& e)
{
    if ((e.id == kSimpleBlock || e.id == kBlockGroup || e.id == kVoid) && e.size > 0) {
        step_ = Step::Peek;
        need(1);
        return;
    }
    skipElement(e);
}

bool MatroskaWalker::clusterChild(const Head& e)
{
    uint64_t minSize = 1, maxSize = 8;
    switch (e.id) {
    case 0xE7: // Timestamp
    case 0xA7: // Position
    case 0xAB: // PrevSize
        break;
    case kSimpleBlock:
        minSize = 4;
        maxSize = kMaxBlock;
        break;
    case kBlockGroup:
        minSize = 2;
        maxSize = kMaxBlock;
        break;
    case 0x5854: // SilentTracks
        minSize = 0;
        maxSize = 0xFFFF;
        break;
    case kVoid:
        maxSize = 0xFFFF;
        break;
    case kCrc32:
        minSize = maxSize = 4;
        break;
    default:
        return false;
    }
    if (e.size == kUnknownSize || e.size < minSize || e.size > maxSize) {
        endsAt(e.start);
        return true;
    }
    peekOrSkip(e);
    return true;
}

void MatroskaWalker::readTracks(const uint8_t* r, size_t size)
{
    tracksRead_ = true;
    const uint8_t* p = r;
    Element entry;
    while (next(p, r + size, entry)) {
        if (entry.id != kTrackEntry)
            continue;
        const uint8_t* q = entry.data;
        Element f;
        while (next(q, entry.data + entry.size, f)) {
            if (f.id == kTrackNumber && trackCount_ < kMaxTracks && uintValue(f) < 127)
                trackNumbers_[trackCount_++] = static_cast<uint8_t>(uintValue(f));
            if (f.id == kTrackType) {
                const uint64_t type = uintValue(f);
                video_ = video_ || type == 1;
                audio_ = audio_ || type == 2;
                other_ = other_ || (type != 1 && type != 2);
            }
            if (f.id == kVideo) {
                const uint8_t* v = f.data;
                Element g;
                while (next(v, f.data + f.size, g)) {
                    if (g.id == kStereoMode && uintValue(g) != 0)
                        stereo_ = true;
                }
            }
        }
    }
}

bool MatroskaWalker::knownTrack(uint8_t vint) const
{
    if (vint < 0x81 || vint == 0xFF)
        return false; // numbers above 126 take two bytes: not seen in practice
    if (trackCount_ == 0)
        return vint <= 0x90;
    for (unsigned i = 0; i < trackCount_; ++i) {
        if (trackNumbers_[i] == (vint & 0x7F))
            return true;
    }
    return false;
}

void MatroskaWalker::nextElement()
{
    step_ = Step::Head;
    headLen_ = 0;
    need(2);
}

void MatroskaWalker::skipElement(const Head& e)
{
    const uint64_t end = e.dataStart + e.size;
    continuesTo(end);
    skip(end - position());
    nextElement();
}

void MatroskaWalker::endSegment()
{
    endsWhenFed(segmentEnd_);
}

} // namespace ostrel::walkers
