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

void put(Bytes& b, size_t at, uint64_t v, int bytes = 4)
{
    for (int k = 0; k < bytes; ++k)
        b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

void putHex(Bytes& b, size_t at, const char* hex)
{
    for (size_t k = 0; hex[2 * k]; ++k)
        b[at + k] = static_cast<uint8_t>(std::stoi(std::string(hex + 2 * k, 2), nullptr, 16));
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

// R2000: three sections, then the preview (one BMP piece at 0x620) at
// 0x600, ending with its sentinel at 0x6A0.
Bytes r2000()
{
    Bytes b = filled(0x6B0, "AC1015");
    put(b, 0x0D, 0x600);
    // Three locator records (number, offset, size), the CRC, the sentinel.
    putHex(b, 0x15, "0300000000000100000002000001000300008000000002800300000002000000"
                    "0095A04E2899821AE55E41E05F9D3A4D00");
    putHex(b, 0x600, "1F256D07D43628289D57CA3F9D44102B8000000001022006000080000000");
    putHex(b, 0x6A0, "E0DA92F82BC9D7D762A835C062BBEFD4");
    return b;
}

// R2004 and on: pages up to 0x1200, then a 20-byte block and the header copy.
Bytes paged(const char* version)
{
    Bytes b = filled(0x1200 + 20 + 0x6C, version);
    put(b, 0x28, 0x80);
    Bytes h(0x6C, 0);
    std::memcpy(h.data(), "AcFssFcAJMB", 12);
    put(h, 0x10, 0x6C), put(h, 0x14, 4), put(h, 0x44, 0x20), put(h, 0x48, 0x80), put(h, 0x4C, 0x40);
    put(h, 0x2C, 0x1200 - 0x100, 8); // end of the last page
    put(h, 0x34, 0x1200 + 20, 8);    // the header copy
    put(h, 0x54, 0x1000 - 0x100, 8); // the page map
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
    put(noImage, 0x0D, 0);
    EXPECT_EQ(walk("DWG", concat(noImage, Bytes(4096, 0))), (Verdict{State::Continues, 0x580}));
    Bytes r2007 = filled(0x1000, "AC1021");
    put(r2007, 0x28, 0x80);
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
