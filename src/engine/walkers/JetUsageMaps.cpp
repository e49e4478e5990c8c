#include "engine/walkers/JetUsageMaps.h"

#include "engine/walkers/StreamWalker.h"

#include <algorithm>

namespace ostrel::walkers {

namespace {

constexpr size_t kMaxWanted = 1024; // rows and map pages remembered at most
constexpr uint8_t kUserTable = 0x4E;
constexpr uint8_t kSystemTable = 0x53;

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

void JetUsageMaps::want(uint32_t current, uint32_t rowPointer)
{
    // A row pointer: row number in the low byte, page above it.
    const uint32_t page = rowPointer >> 8;
    if (page > current && page < kMaxPages && rows_.size() < kMaxWanted)
        rows_.emplace(page, static_cast<uint8_t>(rowPointer));
}

void JetUsageMaps::tableDefinition(uint32_t page, const uint8_t* r)
{
    // Only a definition's first page has the table type where the block
    // begins; the map pointers follow the column and index counts.
    const uint8_t type = r[jet3_ ? 20 : 40];
    if (type != kUserTable && type != kSystemTable)
        return;
    const size_t owned = jet3_ ? 35 : 55;
    want(page, le32(r + owned));
    want(page, le32(r + owned + 4));
}

uint32_t JetUsageMaps::readRow(const uint8_t* r, uint32_t row)
{
    // Row offsets follow the row count; rows fill the page from its end.
    const size_t countAt = jet3_ ? 8 : 12;
    const uint32_t count = le16(r + countAt);
    if (row >= count)
        return 0;
    const uint16_t offset = le16(r + countAt + 2 + 2 * row);
    if ((offset & 0xC000) != 0) // deleted, or moved to an overflow page
        return 0;
    const size_t start = offset & 0x1FFF;
    const size_t end = row == 0 ? pageSize_ : (le16(r + countAt + 2 * row) & 0x1FFFu);
    if (start < countAt + 2 + 2 * count || end > pageSize_ || end < start + 5)
        return 0;
    const uint8_t* map = r + start;
    if (map[0] == 0) {
        // Inline: the first page it covers, then one bit per page.
        const uint32_t first = le32(map + 1);
        const int64_t bit = highestBit(map, 5, end - start);
        const uint64_t last = static_cast<uint64_t>(first) + static_cast<uint64_t>(bit);
        return bit >= 0 && last < kMaxPages ? static_cast<uint32_t>(last) : 0;
    }
    if (map[0] != 1)
        return 0;
    // Reference: the numbers of the map pages, each covering the pages
    // its bitmap (the page less a 4-byte header) has bits for.
    uint32_t highest = 0;
    for (size_t at = 1, place = 0; at + 4 <= end - start; at += 4, ++place) {
        const uint32_t mapPage = le32(map + at);
        if (mapPage == 0 || mapPage >= kMaxPages)
            continue;
        highest = std::max(highest, mapPage);
        if (mapPages_.size() < kMaxWanted)
            mapPages_.emplace(mapPage, static_cast<uint32_t>(place));
    }
    return highest;
}

uint32_t JetUsageMaps::readPage(uint32_t page, const uint8_t* r)
{
    rows_.erase(rows_.begin(), rows_.lower_bound(page));
    mapPages_.erase(mapPages_.begin(), mapPages_.lower_bound(page));
    uint32_t highest = 0;
    if (r[0] == 1) {
        const auto [from, to] = rows_.equal_range(page);
        for (auto it = from; it != to; ++it)
            highest = std::max(highest, readRow(r, it->second));
    }
    const auto mapPage = mapPages_.find(page);
    if (r[0] == 5 && mapPage != mapPages_.end()) {
        const int64_t bit = highestBit(r, 4, pageSize_);
        const uint64_t last = static_cast<uint64_t>(mapPage->second) * (pageSize_ - 4) * 8 + static_cast<uint64_t>(bit);
        if (bit >= 0 && last < kMaxPages)
            highest = std::max(highest, static_cast<uint32_t>(last));
    }
    return highest;
}

} // namespace ostrel::walkers
