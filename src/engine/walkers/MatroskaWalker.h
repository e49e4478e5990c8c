#pragma once
// Matroska and WebM (EBML): the EBML header with its DocType, then the
// Segment. A Segment of known size ends the file at its end (after the
// Tracks, read for the proven type, or the first Cluster). A Segment of
// unknown size (a live recording, a browser's recorder) is walked element by
// element at its top level, Clusters of unknown size child by child, until
// an element that cannot stand there: the file ends before it.

#include "engine/walkers/MediaWalker.h"

#include <string>

namespace ostrel::walkers {

class MatroskaWalker final : public MediaWalker {
public:
    MatroskaWalker();
    std::string provenType() const override;

private:
    enum class Step : uint8_t { Head, HeaderBody, TracksBody, Peek };
    enum class Level : uint8_t { Top, Segment, Cluster };
    struct Head {
        uint32_t id;
        uint64_t size; // ebml::kUnknownSize when unknown
        uint64_t start;
        uint64_t dataStart;
    };
    void onData(const uint8_t* record, size_t size) override;
    // Gathers an element's ID and size (2 to 12 bytes, read as far as needed).
    void onHeadBytes(const uint8_t* r, size_t size);
    // An element header at the current level.
    void onElement(const Head& e);
    void onTopElement(const Head& e);
    void onSegmentElement(const Head& e);
    // Handles `e` as a child of an unknown-size Cluster; false when it cannot be one.
    bool clusterChild(const Head& e);
    void readHeaderBody(const uint8_t* r, size_t size);
    void readTracks(const uint8_t* r, size_t size);
    // Whether a block's one-byte track number names a track of Tracks.
    bool knownTrack(uint8_t vint) const;
    void nextElement();
    void skipElement(const Head& e);
    void peekOrSkip(const Head& e);
    // The file ends at the known Segment's end.
    void endSegment();

    Step step_ = Step::Head;
    Level level_ = Level::Top;
    uint8_t head_[12] = {};
    size_t headLen_ = 0;
    Head pending_{};
    bool knownSegment_ = false;
    uint64_t segmentEnd_ = 0;
    std::string docType_;
    bool tracksRead_ = false;
    bool video_ = false, audio_ = false, other_ = false, stereo_ = false;
    static constexpr unsigned kMaxTracks = 32;
    uint8_t trackNumbers_[kMaxTracks] = {};
    unsigned trackCount_ = 0;
};

} // namespace ostrel::walkers
