#pragma once
// AutoCAD drawings (DWG), by the version string in the first six bytes.
// - R13 to R2000 (AC1012 .. AC1015): the file header lists the sections
//   (offset and size each) and ends with a sentinel; the preview image,
//   written last, lists its pieces and closes with its own sentinel. The
//   file ends after that sentinel when it lies beyond every section; else
//   only the sections are proven.
// - R2004, R2010, R2013, R2018 (AC1018, AC1024, AC1027, AC1032): the
//   encrypted header at 0x80 gives the end of the last section page and the
//   place of the header's copy at the end of the file; the file ends after
//   that copy when it matches the header. Else the pages are proven.
// - R2007 (AC1021) keeps its layout in a Reed-Solomon coded, compressed
//   header: only the header area is checked and proven.

#include "engine/walkers/StreamWalker.h"

#include <array>

namespace ostrel::walkers {

class DwgWalker final : public StreamWalker {
public:
    DwgWalker();

private:
    enum class Phase : uint8_t { Header, ImageHead, ImageEntries, ImageEnd, HeaderCopy, Done };

    void onRecord(const uint8_t* r, size_t size) override;
    void header(const uint8_t* r);
    void sectionLocators(const uint8_t* r);
    void pagedHeader(const uint8_t* r);
    void imageHead(const uint8_t* r);
    void imageEntries(const uint8_t* r, size_t size);
    void imageEnd(const uint8_t* r);
    void headerCopy(const uint8_t* r);
    // Nothing more to read: the proven length stands.
    void done();

    Phase phase_ = Phase::Header;
    uint64_t sectionsEnd_ = 0; // furthest section or page end
    uint64_t imageEnd_ = 0;
    uint8_t imageCount_ = 0;
    uint64_t copyAt_ = 0; // where the header's copy is read from
    std::array<uint8_t, 0x6C> encryptedHeader_{};
};

} // namespace ostrel::walkers
