#pragma once
// Microsoft Jet and ACE databases (MDB, ACCDB): a run of fixed-size pages
// (2 KiB for Jet 3, 4 KiB after it), page 0 the database header. Every page
// the engine writes starts with its type and a 0x01 byte; a page Jet freed
// may keep its old content or have its first bytes zeroed. The file holds
// no page count, so the walker reads each page: it continues while pages
// look like Jet pages or lie below the furthest page a page header points
// at (a table definition, an index sibling) or a table's usage map marks,
// and ends before the first page
// beyond that which cannot be a Jet page, or before a run of blank pages
// (a free area of the medium reads as such a run). An encrypted database
// (page 1 does not read as a Jet page) is only proven to its first pages.

#include "engine/walkers/JetUsageMaps.h"
#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class JetWalker final : public StreamWalker {
public:
    JetWalker();
    std::string provenType() const override { return type_; }

private:
    // Freed: the first bytes zeroed, old content behind; Blank: all zero.
    enum class Kind : uint8_t { Jet, Freed, Blank, Foreign };

    void onRecord(const uint8_t* r, size_t size) override;
    void header(const uint8_t* r);
    void page(const uint8_t* r);
    // What the page is; for a Jet page also notes the pages it points at.
    Kind classify(const uint8_t* r);
    bool pointer(uint32_t page) const { return page < JetUsageMaps::kMaxPages; }
    void refer(uint32_t page);

    bool headerRead_ = false;
    bool jet3_ = false;
    uint32_t pageSize_ = 4096;
    uint64_t page_ = 0;      // number of the page being read
    uint64_t provenEnd_ = 0; // bytes the structure proves
    bool inRun_ = false;     // pages since runStart_ were freed or foreign
    uint64_t runStart_ = 0;
    uint32_t blankRun_ = 0; // blank pages in a row at the end of the run
    JetUsageMaps maps_{false, 4096};
    std::string type_;
};

} // namespace ostrel::walkers
