#include "engine/walkers/MpegAudioWalker.h"

#include "engine/walkers/AudioTags.h"
#include "engine/walkers/MpegAudioFrames.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint64_t kMaxPadding = 64 * 1024; // zeros between an ID3v2 tag and the first frame
constexpr unsigned kFramesTagless = 4;      // frames in a row that prove a stream without a tag
constexpr unsigned kFramesTagged = 2;       // ... and one behind an ID3v2 tag
constexpr unsigned kMaxLyricsItems = 32;
constexpr uint64_t kMaxLyrics = 1 << 20;

bool digits(const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
    }
    return true;
}

uint32_t decimal(const uint8_t* p, size_t n)
{
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

} // namespace

MpegAudioWalker::MpegAudioWalker(bool adts)
    : adts_(adts)
{
    need(4);
}

std::string MpegAudioWalker::provenType() const
{
    return sawAdts_ && !adts_ ? "AAC" : "";
}

bool MpegAudioWalker::embeds(uint64_t offset) const
{
    if (!locked_)
        return false;
    const size_t held = std::min(recentCount_, kRecentFrames);
    for (size_t i = 0; i < held; ++i) {
        if (recentFrames_[i] == offset)
            return true;
    }
    return false;
}

void MpegAudioWalker::onData(const uint8_t* r, size_t size)
{
    const uint64_t tagStart = recordStart() - 4; // the rest-of-tag steps follow a 4-byte boundary record
    switch (step_) {
    case Step::Start:
        std::memcpy(head_, r, 4);
        if (std::memcmp(r, "ID3", 3) == 0) {
            step_ = Step::Id3Rest;
            need(kId3v2HeaderSize - 4);
        } else if (adts_ && std::memcmp(r, "ADIF", 4) == 0) {
            giveUp(); // ADIF has no frame lengths to follow
        } else {
            atBoundary(r);
        }
        break;
    case Step::Id3Rest: {
        std::memcpy(head_ + 4, r, size);
        const uint64_t length = id3v2TagLength(head_);
        if (length == 0) {
            notFormat();
            return;
        }
        tagged_ = true;
        tagEnd_ = length;
        // The first frame's ID: capitals and digits (or padding), unless an
        // extended header stands before it.
        const size_t idSize = head_[3] == 2 ? 3 : 4;
        if (head_[3] > 2 && (head_[5] & 0x40) != 0) {
            step_ = Step::Id3ExtendedHeader;
            need(6);
            return;
        }
        if (length >= kId3v2HeaderSize + idSize) {
            step_ = Step::Id3Frame;
            need(idSize);
            return;
        }
        afterLeadingTag();
        break;
    }
    case Step::Id3ExtendedHeader: {
        // Version 3: size 6 or 10, only the CRC flag. Version 4: a sync-safe
        // size, one flag byte with only its three defined flags.
        const bool valid = head_[3] == 3 ? (be32(r) == 6 || be32(r) == 10) && (r[4] & 0x7F) == 0 && r[5] == 0
                                         : ((r[0] | r[1] | r[2] | r[3]) & 0x80) == 0 && r[4] == 1 && (r[5] & 0x8F) == 0;
        if (!valid) {
            notFormat();
            return;
        }
        afterLeadingTag();
        break;
    }
    case Step::Id3Frame: {
        bool id = r[0] == 0;
        for (size_t i = 0; i < size && !id; ++i) {
            if (!((r[i] >= 'A' && r[i] <= 'Z') || (r[i] >= '0' && r[i] <= '9')))
                break;
            id = i + 1 == size;
        }
        if (!id) {
            notFormat();
            return;
        }
        afterLeadingTag();
        break;
    }
    case Step::Boundary:
        atBoundary(r);
        break;
    case Step::AdtsRest:
        std::memcpy(head_ + 4, r, size);
        onFrame(head_, true);
        break;
    case Step::ApeRest: {
        uint8_t tag[kApeTagHeaderSize];
        std::memcpy(tag, head_, 4);
        std::memcpy(tag + 4, r, size);
        const uint64_t length = apeTagLength(tag);
        if (length == 0)
            notAFrame(tagStart);
        else
            afterTag(tagStart + length);
        break;
    }
    case Step::TagId3Rest: {
        std::memcpy(head_ + 4, r, size);
        const uint64_t length = id3v2TagLength(head_);
        // Only a tag with a footer is an appended one; an ID3v2 header
        // without it starts the next file.
        if (length == 0 || !id3v2HasFooter(head_))
            notAFrame(tagStart);
        else
            afterTag(tagStart + length);
        break;
    }
    case Step::LyricsRest:
        if (std::memcmp(head_, "LYRI", 4) != 0 || std::memcmp(r, "CSBEGIN", 7) != 0) {
            notAFrame(tagStart);
            return;
        }
        lyricsStart_ = tagStart;
        lyricsItems_ = 0;
        step_ = Step::LyricsItem;
        need(8);
        break;
    case Step::LyricsItem:
        // An item: three capitals and five digits of size; or the closing
        // six-digit size and "LYRICS200".
        if (digits(r, 3)) {
            std::memcpy(head_, r, 8);
            step_ = Step::LyricsEnd;
            need(7);
        } else if (r[0] >= 'A' && r[0] <= 'Z' && r[1] >= 'A' && r[1] <= 'Z' && r[2] >= 'A' && r[2] <= 'Z' &&
            digits(r + 3, 5) && ++lyricsItems_ <= kMaxLyricsItems &&
            position() + decimal(r + 3, 5) - lyricsStart_ <= kMaxLyrics) {
            skip(decimal(r + 3, 5));
            need(8);
        } else {
            notAFrame(lyricsStart_);
        }
        break;
    case Step::LyricsEnd: {
        uint8_t end[15];
        std::memcpy(end, head_, 8);
        std::memcpy(end + 8, r, 7);
        const uint64_t sizeAt = recordStart() - 8;
        if (digits(end, 6) && std::memcmp(end + 6, "LYRICS200", 9) == 0 && decimal(end, 6) == sizeAt - lyricsStart_)
            afterTag(position());
        else
            notAFrame(lyricsStart_);
        break;
    }
    }
}

void MpegAudioWalker::afterLeadingTag()
{
    continuesTo(tagEnd_);
    paddingScan_ = true;
    step_ = Step::Boundary;
    skip(tagEnd_ - position());
    scan();
}

size_t MpegAudioWalker::onScan(const uint8_t* data, size_t size)
{
    if (!paddingScan_)
        return size;
    size_t i = 0;
    while (i < size && data[i] == 0)
        ++i;
    zeros_ += i;
    if (zeros_ > kMaxPadding) {
        giveUp();
        return size;
    }
    if (i < size) {
        paddingScan_ = false;
        step_ = Step::Boundary;
        need(4);
    }
    return i;
}

void MpegAudioWalker::atBoundary(const uint8_t* r)
{
    std::memcpy(head_, r, 4);
    if (!trailer_) {
        const bool adtsStream = adts_ || sawAdts_ || (tagged_ && frames_ == 0);
        if (adtsStream && adtsSync(r)) {
            step_ = Step::AdtsRest;
            need(kAdtsHeaderSize - 4);
            return;
        }
        if (!adts_ && !sawAdts_ && mpegAudioFrame(r).length != 0) {
            onFrame(r, false);
            return;
        }
    }
    if (locked_) {
        const uint64_t at = recordStart();
        if (std::memcmp(r, "TAG", 3) == 0) {
            endsWhenFed(at + kId3v1Size);
            return;
        }
        const struct {
            const char* start;
            Step rest;
            size_t restSize;
        } tags[] = {{"APET", Step::ApeRest, kApeTagHeaderSize - 4}, {"ID3", Step::TagId3Rest, kId3v2HeaderSize - 4},
            {"LYRI", Step::LyricsRest, 7}};
        for (const auto& t : tags) {
            if (std::memcmp(r, t.start, std::strlen(t.start)) == 0) {
                step_ = t.rest;
                need(t.restSize);
                return;
            }
        }
    }
    notAFrame(recordStart());
}

void MpegAudioWalker::onFrame(const uint8_t* header, bool adts)
{
    const uint64_t start = adts ? recordStart() - 4 : recordStart();
    const AudioFrame f = adts ? adtsFrame(header) : mpegAudioFrame(header);
    if (f.length == 0 || (frames_ > 0 && f.key != key_)) {
        notAFrame(start);
        return;
    }
    if (frames_ == 0) {
        key_ = f.key;
        sawAdts_ = adts;
    }
    ++frames_;
    recentFrames_[recentCount_++ % kRecentFrames] = start;
    const uint64_t end = start + f.length;
    if (!locked_) {
        const size_t headerSize = adts ? kAdtsHeaderSize : 4;
        const bool beyondLookahead = end + headerSize > kHeaderLookahead;
        if (frames_ >= (tagged_ ? kFramesTagged : kFramesTagless) || (beyondLookahead && frames_ >= 2)) {
            locked_ = true;
        } else if (beyondLookahead && !tagged_) {
            notFormat(); // the next frame lies beyond what the check may read
            return;
        }
    }
    if (locked_)
        continuesTo(end);
    nextBoundary(end);
}

void MpegAudioWalker::afterTag(uint64_t tagEnd)
{
    trailer_ = true;
    continuesTo(tagEnd);
    nextBoundary(tagEnd);
}

void MpegAudioWalker::nextBoundary(uint64_t at)
{
    step_ = Step::Boundary;
    skip(at - position());
    need(4);
}

void MpegAudioWalker::notAFrame(uint64_t at)
{
    if (locked_)
        endsAt(at);
    else if (tagged_)
        giveUp();
    else
        notFormat();
}

void MpegAudioWalker::giveUp()
{
    paddingScan_ = false;
    scan();
}

} // namespace ostrel::walkers
