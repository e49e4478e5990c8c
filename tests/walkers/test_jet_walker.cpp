// Jet / ACE database walker (MDB, ACCDB) on databases laid out page by page
// from the documented page formats (no Linux tool writes them): Jet 3 and
// Jet 4 pages, a freed page inside the file, freed pages at the end that an
// index page points past, a foreign header on the next sector, encrypted
// pages. Checks exact ends and the header check. Needs nothing installed.

#include "walkers/WalkerTestSupport.h"

#include <cstring>

using namespace walkertest;

namespace {

void put32(Bytes& b, size_t at, uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

// One page per letter: d data page of table 2, t table definition, i index
// leaf whose next page is `link`, m data page whose row 0 is the table's
// inline usage map marking page `link`, l long-value page, u usage map page,
// f freed (header zeroed, old bytes behind), z blank.
Bytes jetFile(bool jet3, bool ace, const std::string& pages, uint32_t link = 0)
{
    const size_t size = jet3 ? 2048 : 4096;
    Bytes out(size, 0x5A);
    std::memcpy(out.data(), ace ? "\0\1\0\0Standard ACE DB" : "\0\1\0\0Standard Jet DB", 20);
    out[0x14] = jet3 ? 0 : (ace ? 3 : 1);
    const size_t mapPage = pages.find('m') + 2, countAt = jet3 ? 8 : 12, mapAt = size - 64;
    for (char kind : "d" + pages) { // page 1 is a data page (the global usage map)
        Bytes p(size, 0);
        for (size_t k = 64; k < size; ++k)
            p[k] = static_cast<uint8_t>(k * 7);
        p[1] = 1;
        put32(p, 2, 100); // free space (Jet 3 definitions hold "VC" there)
        switch (kind) {
        case 'd': p[0] = 1, put32(p, 4, 2), p[jet3 ? 8 : 12] = 3; break;
        case 'l': p[0] = 1, std::memcpy(p.data() + 4, "LVAL", 4); break;
        case 't': p[0] = 2, put32(p, 4, 0), p[jet3 ? 20 : 40] = 0x4E, put32(p, jet3 ? 35 : 55, mapPage << 8); break;
        case 'm': p[0] = 1, put32(p, 4, 2), p[countAt] = 1, put32(p, countAt + 2, mapAt);
                  std::fill(p.begin() + mapAt, p.end(), 0), p[mapAt + 5 + link / 8] = 1 << link % 8; break;
        case 'i': p[0] = 4, put32(p, 4, 2), put32(p, jet3 ? 12 : 16, link); break;
        case 'u': p[0] = 5, p[2] = p[3] = 0; break;
        case 'f': put32(p, 0, 0); break;
        case 'z': std::fill(p.begin(), p.end(), 0); break;
        }
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

TEST(JetWalker, EndsAfterTheLastPageOfTheDatabase)
{
    const struct {
        const char* what;
        const char* type;
        bool jet3;
        const char* pages;
        uint32_t link;
    } cases[] = {{"Jet 4 with a freed page inside", "MDB", false, "tdifdlud", 0},
                 {"Jet 3 pages", "MDB", true, "tdidfdu", 0},
                 {"ACE with blank pages inside", "ACCDB", false, "tdzzzzzdl", 0},
                 // Pages 5 and 6 are blank, but the table's usage map marks page 6.
                 {"blank pages at the end, marked as used", "ACCDB", false, "tmdzz", 6},
                 {"Jet 3 usage map", "MDB", true, "tmdzz", 6},
                 // The map usually comes before its definition, as page 1 does.
                 {"usage map before its definition", "ACCDB", false, "mtdzz", 6},
                 {"Jet 3 usage map before its definition", "MDB", true, "mtdzz", 6},
                 // Pages 6 and 7 are freed or blank, but the index points at page 7.
                 {"freed pages at the end, pointed at", "ACCDB", false, "tdiffz", 7}};
    for (const auto& c : cases) {
        const Bytes file = jetFile(c.jet3, std::string(c.type) == "ACCDB", c.pages, c.link);
        expectExactEnd(c.type, file, c.what);
        // A JPEG header on the next sector does not belong to the database.
        Bytes next = concat(file, Bytes{0xFF, 0xD8, 0xFF, 0xE0});
        next.resize(next.size() + 8192, 0x11);
        EXPECT_EQ(walk(c.type, next), (Verdict{State::Ends, file.size()})) << c.what;
        EXPECT_EQ(provenType(c.type, file), c.type);
    }
}

TEST(JetWalker, HeaderCheckAndEncryptedPages)
{
    const Bytes good = jetFile(false, true, "tdd");
    Bytes badVersion = good;
    badVersion[0x14] = 9;
    EXPECT_EQ(walk("ACCDB", badVersion).state, State::NotFormat);
    // Encrypted pages read as random data: only the first two are proven.
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        Bytes encrypted = concat(Bytes(good.begin(), good.begin() + 4096), randomBytes(65536, seed));
        EXPECT_EQ(walk("ACCDB", encrypted), (Verdict{State::Continues, 8192})) << "seed " << seed;
    }
}

} // namespace
