#include "engine/walkers/JetUsageMaps.h"

#include "engine/walkers/StreamWalker.h"

#include <algorithm>

namespace ostrel::walkers {

namespace {

constexpr size_t kMaxWanted = 1024; // rows and map pages remembered at most, each kind
constexpr uint8_t kUserTable = 0x4E;
constexpr uint8_t kSystemTable = 0x53;
constexpr uint32_t kMaxRow = 255; // a row pointer holds the row in one byte

// The highest bit set in bytes [from, to), counted from bit 0 of `from`;
// -1 when none is.
int64_t highestBit(const uint8_t* r, size_t from, size_t to)
{
    for (size_t k = to; k-- > from;) {
        if (r[k] != 0)
            return static_cast<int64_t>(k - from) * 8 + (31 - __builtin_clz(r[k]));
    }
    return -1;
}

} // namespace

JetUsageMaps::MapRow JetUsageMaps::parseRow(const uint8_t* r, uint32_t row) const
{
    // Row offsets follow the row count; rows fill the page from its end.
    MapRow map;
    const size_t countAt = jet3_ ? 8 : 12;
    const uint32_t count = le16(r + countAt);
    if (row >= count || countAt + 2 + 2 * static_cast<size_t>(count) > pageSize_)
        return map;
    const uint16_t offset = le16(r + countAt + 2 + 2 * row);
    if ((offset & 0xC000) != 0) // deleted, or moved to an overflow page
        return map;
    const size_t start = offset & 0x1FFF;
    const size_t end = row == 0 ? pageSize_ : (le16(r + countAt + 2 * row) & 0x1FFFu);
    if (start < countAt + 2 + 2 * count || end > pageSize_ || end < start + 5)
        return map;
    const uint8_t* row0 = r + start;
    map.bytes = static_cast<uint32_t>(end - start);
    if (row0[0] == 0) {
        // Inline: the first page it covers, then one bit per page.
        const int64_t bit = highestBit(row0, 5, end - start);
        const uint64_t last = static_cast<uint64_t>(le32(row0 + 1)) + static_cast<uint64_t>(bit);
        map.kind = MapRow::Inline;
        map.highest = bit >= 0 && last < kMaxPages ? static_cast<uint32_t>(last) : 0;
    } else if (row0[0] == 1) {
        // Reference: the numbers of the map pages, each covering the pages
        // its bitmap (the page less a 4-byte header) has bits for.
        map.kind = MapRow::Reference;
        for (size_t at = 1, place = 0; at + 4 <= end - start && map.mapPages.size() < kMaxWanted; at += 4, ++place) {
            const uint32_t mapPage = le32(row0 + at);
            if (mapPage != 0 && mapPage < kMaxPages)
                map.mapPages.emplace_back(mapPage, static_cast<uint32_t>(place));
        }
    }
    return map;
}

uint32_t JetUsageMaps::followMapPage(uint32_t mapPage, uint32_t place, uint32_t current)
{
    if (mapPage > current) {
        if (mapPages_.size() < kMaxWanted)
            mapPages_.emplace(mapPage, place);
        return 0;
    }
    const auto passed = passedMapPages_.find(mapPage);
    return passed == passedMapPages_.end() ? 0 : markedPage(place, passed->second);
}

uint32_t JetUsageMaps::markedPage(uint32_t place, uint32_t bit) const
{
    // Each map page's bitmap (the page less a 4-byte header) follows the
    // ones before it in the map.
    const uint64_t last = static_cast<uint64_t>(place) * (pageSize_ - 4) * 8 + bit;
    return last < kMaxPages ? static_cast<uint32_t>(last) : 0;
}

uint32_t JetUsageMaps::prove(const MapRow& map, uint32_t current)
{
    uint32_t highest = map.highest;
    for (const auto& [mapPage, place] : map.mapPages)
        highest = std::max({highest, mapPage, followMapPage(mapPage, place, current)});
    return highest;
}

uint32_t JetUsageMaps::want(uint32_t current, uint32_t rowPointer)
{
    // A row pointer: row number in the low byte, page above it.
    const uint32_t page = rowPointer >> 8;
    if (page < current) {
        const auto passed = passedRows_.find(rowPointer);
        return passed != passedRows_.end() ? prove(passed->second, current) : 0;
    }
    if (page > current && page < kMaxPages && rows_.size() < kMaxWanted)
        rows_.emplace(page, static_cast<uint8_t>(rowPointer));
    return 0;
}

uint32_t JetUsageMaps::tableDefinition(uint32_t page, const uint8_t* r)
{
    // Only a definition's first page has the table type where the block
    // begins; the map pointers follow the column and index counts.
    const uint8_t type = r[jet3_ ? 20 : 40];
    if (type != kUserTable && type != kSystemTable)
        return 0;
    const size_t owned = jet3_ ? 35 : 55;
    return std::max(want(page, le32(r + owned)), want(page, le32(r + owned + 4)));
}

void JetUsageMaps::remember(uint32_t page, const uint8_t* r)
{
    if (page >= kMaxPages || le32(r + 4) == kLongValueOwner || passedRows_.size() >= kMaxWanted)
        return;
    // Rows may overlap in a hostile page: reading stops after twice the
    // page's bytes.
    const uint32_t rows = std::min<uint32_t>(le16(r + (jet3_ ? 8 : 12)), kMaxRow + 1);
    size_t budget = 2 * static_cast<size_t>(pageSize_);
    for (uint32_t row = 0; row < rows && passedRows_.size() < kMaxWanted && budget > 0; ++row) {
        MapRow map = parseRow(r, row);
        budget -= std::min(budget, static_cast<size_t>(map.bytes));
        if (map.kind == MapRow::None || passedMapPageCount_ + map.mapPages.size() > kMaxWanted)
            continue;
        passedMapPageCount_ += map.mapPages.size();
        passedRows_.emplace(page << 8 | row, std::move(map));
    }
}

uint32_t JetUsageMaps::readPage(uint32_t page, const uint8_t* r)
{
    rows_.erase(rows_.begin(), rows_.lower_bound(page));
    mapPages_.erase(mapPages_.begin(), mapPages_.lower_bound(page));
    uint32_t highest = 0;
    if (r[0] == 1) {
        const auto [from, to] = rows_.equal_range(page);
        for (auto it = from; it != to; ++it)
            highest = std::max(highest, prove(parseRow(r, it->second), page));
        remember(page, r);
    }
    if (r[0] == 5) {
        const int64_t bit = highestBit(r, 4, pageSize_);
        if (bit >= 0 && passedMapPages_.size() < kMaxWanted)
            passedMapPages_.emplace(page, static_cast<uint32_t>(bit));
        const auto mapPage = mapPages_.find(page);
        if (bit >= 0 && mapPage != mapPages_.end())
            highest = std::max(highest, markedPage(mapPage->second, static_cast<uint32_t>(bit)));
    }
    return highest;
}

} // namespace ostrel::walkers
