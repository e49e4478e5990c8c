#pragma once
// ISO base media files (MP4, MOV, M4A, 3GP, HEIC, AVIF, CR3, JP2, JXL ...):
// a chain of top-level boxes, each a 32-bit size (1: a 64-bit size follows,
// 0: the box runs to the end of the file) and a four-character type. The
// file goes on to the end of the box being read, and ends after the last box
// when the next eight bytes cannot start a top-level box of the format.

#include "engine/walkers/StreamWalker.h"

#include <string>

namespace ostrel::walkers {

class IsoBmffWalker final : public StreamWalker {
public:
    // `headerType`: the signature entry's type, upper case ("MP4", "MOV",
    // "JP2" ...); it decides which first boxes are accepted.
    explicit IsoBmffWalker(std::string headerType);

    // The type the brands prove (HEIC, AVIF, CR3, CRM, MOV, M4A, 3GP ...),
    // empty before the file-type box was read or when its brands say nothing.
    std::string provenType() const override { return proven_; }

private:
    enum class Step : uint8_t { BoxHeader, LargeSize, FileType, Signature, MoviePeek, ToTheEnd };

    void onRecord(const uint8_t* record, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;

    void onBoxHeader(const uint8_t* record);
    void enterBox(uint64_t boxSize, uint64_t headerSize);
    void onFileType(const uint8_t* record, size_t size);
    bool acceptsFirstBox(uint32_t type, uint32_t size) const;
    void refuse();
    void nextBox();

    std::string headerType_;
    std::string proven_;
    Step step_ = Step::BoxHeader;
    uint32_t boxType_ = 0;
    uint64_t boxStart_ = 0;
    uint64_t boxEnd_ = 0;
    int boxesRead_ = 0;      // complete top-level box headers seen
    bool signatureSeen_ = false; // JPEG 2000 / JPEG XL signature box read
    bool canonRaw_ = false;  // brand "crx ": the movie box tells CR3 from CRM
};

} // namespace ostrel::walkers
