#pragma once
// Finds which signature entry, if any, recognises a header in one 512-byte
// sector. Each entry's hex header is decoded once when the matcher is built,
// then every sector is tested against the decoded bytes.
//
// Matching rules per entry (n = header bytes, F = the entry's first-byte
// value):
//   position "1"  : the header at byte 0;
//   position "nn" : anywhere; walking from byte 0, a byte other than F moves
//                   on by one; after m equal bytes the walk resumes at the
//                   byte that differed (one further when m is 0), so a
//                   header overlapping a partial match is not seen;
//   a number N    : the header at 1-based byte N, never when N-1 is above 506
//                   or below 0.
// Bytes at 512 or beyond never match; an entry with no header byte never
// matches. The first entry in table order that matches wins.

#include <QStringList>

#include <cstdint>
#include <vector>

namespace ostrel {

constexpr int kSectorSize = 512;

class HeaderMatcher {
public:
    // `flatTable` is a signature table, seven texts per entry.
    explicit HeaderMatcher(const QStringList& flatTable);

    // Index of the first entry that matches `sector` (512 bytes), or -1.
    int match(const unsigned char* sector) const;

    // Whether entry `k` alone matches `sector`.
    bool entryMatches(int k, const unsigned char* sector) const;

    // Where entry `k`'s format begins in a `sector` it matches: the header's
    // byte for an "anywhere" entry, 0 otherwise (a header at a fixed place
    // sits inside a format that begins with the sector).
    int formatStart(int k, const unsigned char* sector) const;

    int entryCount() const { return static_cast<int>(entries_.size()); }

private:
    enum class Kind { First, Anywhere, Fixed };
    struct Entry {
        Kind kind = Kind::First;
        int start = 0;           // 0-based byte where the walk begins
        int firstByte = 0;       // F
        std::vector<uint8_t> header;
    };
    static bool matchesAt(const Entry& e, const unsigned char* sector, int p, int* equalCount);
    static int anywhereHit(const Entry& e, const unsigned char* sector);
    bool mayMatch(const unsigned char* sector) const;

    std::vector<Entry> entries_;
    // Quick rejection: for every byte position that a fixed-position entry
    // starts at, the set of first bytes some entry wants there. A sector
    // whose bytes at those positions are in no set cannot match, which is
    // nearly every sector of random or compressed data.
    struct QuickTest {
        int position;
        uint64_t firstBytes[4];
    };
    std::vector<QuickTest> quick_;
    bool hasAnywhere_ = false;
};

} // namespace ostrel
