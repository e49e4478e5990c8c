#pragma once
// Ogg files (Vorbis, Opus, Speex, FLAC, Theora): a chain of pages ("OggS",
// version 0, header type, serial number, CRC, segment table). The file ends
// after the page that ends the last of the logical streams it began, unless
// the next page begins a new chain link. The header check reads the whole
// first page and wants its CRC right. The first packet of each stream names
// its codec, which proves the type.

#include "engine/walkers/MediaWalker.h"

#include <string>

namespace ostrel::walkers {

class OggWalker final : public MediaWalker {
public:
    OggWalker();
    std::string provenType() const override;

private:
    enum class Step : uint8_t { Page, Segments, Body };
    void onData(const uint8_t* record, size_t size) override;
    // A 27-byte page header: the page's place among the logical streams.
    void onPage(const uint8_t* r);
    // The segment table: the body's length.
    void onSegments(const uint8_t* r, size_t size);
    // The first page's whole body (CRC) or a beginning page's first bytes (codec).
    void onBody(const uint8_t* r, size_t size);
    // The page is whole: on to the next one.
    void pageDone();
    // No page where one must start while streams are open.
    void noPage(uint64_t at);
    // Index of the stream with `serial` in streams_, -1 when not begun.
    int streamIndex(uint32_t serial) const;

    static constexpr unsigned kMaxStreams = 16;
    struct Stream {
        uint32_t serial;
        bool ended;
    };
    Step step_ = Step::Page;
    Stream streams_[kMaxStreams] = {};
    unsigned streamCount_ = 0;
    unsigned endedCount_ = 0;
    bool linkHeaders_ = true; // still in the beginning-of-stream pages of a link
    bool linkEnded_ = false;  // every stream of the link has ended
    uint64_t pages_ = 0;
    uint8_t pageHeader_[27] = {};
    uint32_t crc_ = 0;
    uint32_t bodySize_ = 0;
    uint64_t pageEnd_ = 0;
    bool bos_ = false;
    // Codecs seen in the first packets.
    bool video_ = false;
    std::string firstAudio_;
};

} // namespace ostrel::walkers
