#pragma once
// Photoshop documents (PSD, and PSB with 8-byte section lengths): the
// header, then three sections each given by its length (colour mode data,
// image resources, layers and masks), then the merged image data, whose size
// follows from the header (raw), from a table of row byte counts (RLE) or
// from the end of its deflate streams (ZIP). The file ends after the image
// data.

#include "engine/walkers/DeclaredEndWalker.h"

#include <zlib.h>

namespace ostrel::walkers {

class PsdWalker final : public DeclaredEndWalker {
public:
    PsdWalker();
    ~PsdWalker() override;
    PsdWalker(const PsdWalker&) = delete;
    PsdWalker& operator=(const PsdWalker&) = delete;

    // "PSB" for a version-2 header, "PSD" for version 1; empty before.
    std::string provenType() const override { return proven_; }

private:
    enum class Step : uint8_t {
        Header, ColourModeLength, ResourcesLength, FirstResource, LayersLength, Compression, RowCounts, Deflate,
        ZlibHeader,
    };

    void onField(const uint8_t* record, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;

    void onHeader(const uint8_t* p);
    void onCompression(uint16_t method);
    void onRowCounts(const uint8_t* p, size_t size);
    void needRowCounts();

    std::string proven_;
    Step step_ = Step::Header;
    bool large_ = false; // PSB
    uint16_t channels_ = 0;
    uint32_t height_ = 0;
    uint32_t width_ = 0;
    uint16_t depth_ = 0;
    uint16_t mode_ = 0;              // colour mode (2: indexed)
    uint32_t resourcesLength_ = 0;
    uint64_t rowCountsLeft_ = 0; // RLE: entries of the byte-count table still to read
    uint64_t rleBytes_ = 0;      // RLE: their sum
    unsigned streamsLeft_ = 0;   // ZIP: deflate streams that may still follow
    uint64_t streamStart_ = 0;   // ZIP: where the stream being inflated began
    bool inflating_ = false;
    z_stream zip_{};
};

} // namespace ostrel::walkers
