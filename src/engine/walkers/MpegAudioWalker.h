#pragma once
// MP3 (MPEG audio) and AAC ADTS streams: an optional ID3v2 tag, a chain of
// frames whose headers give their lengths, then optional APEv2, Lyrics3v2 and
// ID3v1 tags. The file ends after the last frame or tag.
//
// The header check matters most here: a bare frame sync is two bytes that
// random data holds every 32 MiB, and a tagless file starts with one. Without
// an ID3v2 tag in front, four frames must follow each other exactly where
// their lengths say, with the same version, layer and sample rate, or the
// header is refused. Inside an open stream each frame header proves the file
// goes on to the end of that frame, so a frame sync at a sector start inside
// it does not cut it.

#include "engine/walkers/MediaWalker.h"

#include <string>

namespace ostrel::walkers {

class MpegAudioWalker final : public MediaWalker {
public:
    // `adts`: the stream is AAC ADTS (type AAC); otherwise MPEG audio, or
    // ADTS behind an ID3v2 tag (then proven AAC).
    explicit MpegAudioWalker(bool adts);
    std::string provenType() const override;
    // True when a frame of the proven chain starts at `offset` among the
    // last frames read: a frame sync found there is this stream going on,
    // not a stream of its own.
    bool embeds(uint64_t offset) const override;

private:
    enum class Step : uint8_t {
        Start,
        Id3Rest,
        Id3ExtendedHeader,
        Id3Frame,
        Boundary,
        AdtsRest,
        ApeRest,
        TagId3Rest,
        LyricsRest,
        LyricsItem,
        LyricsEnd,
    };
    void onData(const uint8_t* record, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;
    // Four bytes where a frame or a tag must start (recordStart()).
    void atBoundary(const uint8_t* r);
    // A frame header whose bytes are all read: checks it against the stream and skips the frame.
    void onFrame(const uint8_t* header, bool adts);
    // A tag behind the frames ends at `tagEnd`; only tags may follow.
    void afterTag(uint64_t tagEnd);
    // No frame or tag at `at`: the end of a proven stream, else a refused header or no verdict.
    void notAFrame(uint64_t at);
    // Nothing more can be proven: the rest is consumed without a verdict.
    void giveUp();
    // Past the leading ID3v2 tag: zero padding, then the first frame.
    void afterLeadingTag();
    // The next frame or tag starts at `at` (not before position()).
    void nextBoundary(uint64_t at);

    Step step_ = Step::Start;
    bool adts_;
    bool sawAdts_ = false;
    bool tagged_ = false;  // an ID3v2 tag stood in front
    bool locked_ = false;  // enough frames followed each other: the stream is proven
    bool trailer_ = false; // past the frames: only tags may follow
    bool paddingScan_ = false;
    uint32_t key_ = 0;
    unsigned frames_ = 0;
    uint64_t zeros_ = 0;
    uint64_t tagEnd_ = 0;
    uint64_t lyricsStart_ = 0;
    unsigned lyricsItems_ = 0;
    uint8_t head_[16] = {};
    // Where the last frames of the chain started (a ring): enough for a
    // sector of the smallest frames.
    static constexpr size_t kRecentFrames = 64;
    uint64_t recentFrames_[kRecentFrames] = {};
    size_t recentCount_ = 0;
};

} // namespace ostrel::walkers
