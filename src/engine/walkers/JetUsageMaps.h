#pragma once
// The usage maps of a Jet / ACE database's tables: bitmaps of the pages a
// table owns (and of those with free space), kept in rows of data pages
// that the table definition points at, either inline or spread over usage
// map pages. A marked page exists, so the maps prove how far the file goes
// even where its last pages are blank. Read as the pages pass. Maps usually
// come before their definition (page 1 holds the catalog's), so the rows
// and map pages that could be maps are remembered as they pass, within a
// bound, and read when a definition points back at them.

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace ostrel::walkers {

class JetUsageMaps {
public:
    JetUsageMaps(bool jet3, uint32_t pageSize) : jet3_(jet3), pageSize_(pageSize) {}

    // A table definition page (a page's bytes): the highest page
    // that its maps already passed mark, or 0; maps still ahead are read
    // when they pass.
    uint32_t tableDefinition(uint32_t page, const uint8_t* r);

    // A data or usage map page as it passes: the highest page the maps
    // read from it mark, or 0.
    uint32_t readPage(uint32_t page, const uint8_t* r);

    static constexpr uint32_t kMaxPages = 1u << 19; // 2 GiB of 4 KiB pages
    // "LVAL" in a data page's owner field: a page of long values, no maps.
    static constexpr uint32_t kLongValueOwner = 0x4C41564C;

private:
    // A row read as a map: inline (the highest page it marks) or a
    // reference (its map pages, each with its place in the map).
    struct MapRow {
        enum Kind : uint8_t { None, Inline, Reference } kind = None;
        uint32_t highest = 0;
        uint32_t bytes = 0; // the row's length
        std::vector<std::pair<uint32_t, uint32_t>> mapPages;
    };

    MapRow parseRow(const uint8_t* r, uint32_t row) const;
    // The highest page a map proves, read from a definition or data page at `current`.
    uint32_t prove(const MapRow& map, uint32_t current);
    uint32_t followMapPage(uint32_t mapPage, uint32_t place, uint32_t current);
    // The page that bit `bit` of the map's page at `place` stands for, or 0.
    uint32_t markedPage(uint32_t place, uint32_t bit) const;
    uint32_t want(uint32_t current, uint32_t rowPointer);
    void remember(uint32_t page, const uint8_t* r);

    bool jet3_;
    uint32_t pageSize_;
    std::multimap<uint32_t, uint8_t> rows_;  // map rows to read: page, row
    std::map<uint32_t, uint32_t> mapPages_; // map pages to read: page, its place in the map
    // Passed rows that read as maps, by row pointer (page << 8 | row).
    std::map<uint32_t, MapRow> passedRows_;
    size_t passedMapPageCount_ = 0;       // map pages held by passedRows_
    std::map<uint32_t, uint32_t> passedMapPages_; // passed map pages: page, highest bit set
};

} // namespace ostrel::walkers
