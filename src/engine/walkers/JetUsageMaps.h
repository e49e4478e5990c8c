#pragma once
// The usage maps of a Jet / ACE database's tables: bitmaps of the pages a
// table owns (and of those with free space), kept in rows of data pages
// that the table definition points at, either inline or spread over usage
// map pages. A marked page exists, so the maps prove how far the file goes
// even where its last pages are blank. Read as the pages pass: a map row or
// map page that was passed before it was known is not read.

#include <cstdint>
#include <map>

namespace ostrel::walkers {

class JetUsageMaps {
public:
    JetUsageMaps(bool jet3, uint32_t pageSize) : jet3_(jet3), pageSize_(pageSize) {}

    // A table definition page (`size` = the page size): remembers its two
    // maps when it is a definition's first page.
    void tableDefinition(uint32_t page, const uint8_t* r);

    // A data or usage map page as it passes: the highest page the maps
    // read from it mark, or 0.
    uint32_t readPage(uint32_t page, const uint8_t* r);

    static constexpr uint32_t kMaxPages = 1u << 19; // 2 GiB of 4 KiB pages

private:
    uint32_t readRow(const uint8_t* r, uint32_t row);
    void want(uint32_t current, uint32_t rowPointer);

    bool jet3_;
    uint32_t pageSize_;
    std::multimap<uint32_t, uint8_t> rows_;  // map rows to read: page, row
    std::map<uint32_t, uint32_t> mapPages_; // map pages to read: page, its place in the map
};

} // namespace ostrel::walkers
