// AutoCAD drawing walker on drawings laid out from the documented file
// headers (no Linux tool writes DWG): an R2000 file with its section
// locators and a preview image written last, an R2018 file whose encrypted
// header gives the last page and the header copy at the end, an R2007 file
// (header only). Checks exact ends, the proven bound and the header check.
// Needs nothing installed.

#include "walkers/WalkerTestSupport.h"

#include <cstring>

using namespace walkertest;

namespace {

void put32(Bytes& b, size_t at, uint64_t v, int bytes = 4)
{
    for (int k = 0; k < bytes; ++k)
        b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

void putBytes(Bytes& b, size_t at, std::initializer_list<uint8_t> v)
{
    std::copy(v.begin(), v.end(), b.begin() + static_cast<long>(at));
}

Bytes filled(size_t size, const char* version)
{
    Bytes b(size);
    for (size_t k = 0; k < size; ++k)
        b[k] = static_cast<uint8_t>(k * 13 + 5);
    std::memcpy(b.data(), version, 6);
    std::fill(b.begin() + 6, b.begin() + 11, 0);
    return b;
}

// R2000: three sections, then the preview (a BMP piece) at 0x600, ending
// with its sentinel at 0x6A0 + 16.
Bytes r2000()
{
    Bytes b = filled(0x6B0, "AC1015");
    put32(b, 0x0D, 0x600);
    put32(b, 0x15, 3);
    const uint32_t sections[3][2] = {{0x100, 0x200}, {0x300, 0x80}, {0x380, 0x200}};
    for (uint32_t k = 0; k < 3; ++k) {
        b[0x19 + 9 * k] = static_cast<uint8_t>(k);
        put32(b, 0x19 + 9 * k + 1, sections[k][0]);
        put32(b, 0x19 + 9 * k + 5, sections[k][1]);
    }
    putBytes(b, 0x19 + 27 + 2, {0x95, 0xA0, 0x4E, 0x28, 0x99, 0x82, 0x1A, 0xE5, 0x5E, 0x41, 0xE0, 0x5F, 0x9D, 0x3A,
                                0x4D, 0x00});
    putBytes(b, 0x600, {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28, 0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10,
                        0x2B});
    put32(b, 0x610, 0x80);
    b[0x614] = 1; // one piece: a BMP at 0x620, 0x80 bytes
    b[0x615] = 2;
    put32(b, 0x616, 0x620);
    put32(b, 0x61A, 0x80);
    putBytes(b, 0x6A0, {0xE0, 0xDA, 0x92, 0xF8, 0x2B, 0xC9, 0xD7, 0xD7, 0x62, 0xA8, 0x35, 0xC0, 0x62, 0xBB, 0xEF,
                        0xD4});
    return b;
}

// R2004 and on: pages up to 0x1200, then a 20-byte block and the header copy.
Bytes paged(const char* version)
{
    Bytes b = filled(0x1200 + 20 + 0x6C, version);
    put32(b, 0x28, 0x80);
    Bytes h(0x6C, 0);
    std::memcpy(h.data(), "AcFssFcAJMB", 12);
    put32(h, 0x10, 0x6C), put32(h, 0x14, 4), put32(h, 0x44, 0x20), put32(h, 0x48, 0x80), put32(h, 0x4C, 0x40);
    put32(h, 0x2C, 0x1200 - 0x100, 8); // end of the last page
    put32(h, 0x34, 0x1200 + 20, 8);    // the header copy
    put32(h, 0x54, 0x1000 - 0x100, 8); // the page map
    uint32_t seed = 1;
    for (size_t k = 0; k < h.size(); ++k) {
        seed = seed * 0x343FD + 0x269EC3;
        b[0x80 + k] = static_cast<uint8_t>(h[k] ^ (seed >> 16));
    }
    std::copy(b.begin() + 0x80, b.begin() + 0x80 + 0x6C, b.end() - 0x6C);
    return b;
}

TEST(DwgWalker, EndsAfterThePreviewOrTheHeaderCopy)
{
    expectExactEnd("DWG", r2000(), "R2000 with a preview");
    for (const char* version : {"AC1018", "AC1024", "AC1027", "AC1032"})
        expectExactEnd("DWG", paged(version), version);
}

TEST(DwgWalker, ProvesOnlyTheSectionsWhenTheEndCannotBeChecked)
{
    Bytes noCopy = paged("AC1032");
    noCopy.back() ^= 1; // the copy no longer matches the header
    EXPECT_EQ(walk("DWG", concat(noCopy, Bytes(4096, 0))), (Verdict{State::Continues, 0x1200}));
    Bytes noImage = r2000();
    put32(noImage, 0x0D, 0);
    EXPECT_EQ(walk("DWG", concat(noImage, Bytes(4096, 0))), (Verdict{State::Continues, 0x580}));
    Bytes r2007 = filled(0x1000, "AC1021");
    put32(r2007, 0x28, 0x80);
    EXPECT_EQ(walk("DWG", r2007), (Verdict{State::Continues, 0x480}));
}

TEST(DwgWalker, HeaderCheck)
{
    for (const char* version : {"AC1012", "AC1015", "AC1018", "AC1021", "AC1032"}) {
        for (uint32_t seed = 1; seed <= 30; ++seed) {
            Bytes random = randomBytes(4096, seed);
            std::memcpy(random.data(), version, 6);
            EXPECT_EQ(walk("DWG", random).state, State::NotFormat) << version << " seed " << seed;
        }
    }
    Bytes wrongId = paged("AC1032");
    wrongId[0x80] ^= 1;
    EXPECT_EQ(walk("DWG", wrongId).state, State::NotFormat);
    Bytes noSentinel = r2000();
    noSentinel[0x19 + 29] ^= 1;
    EXPECT_EQ(walk("DWG", noSentinel).state, State::NotFormat);
}

} // namespace
