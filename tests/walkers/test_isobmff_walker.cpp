// The ISO base media walker on synthetic files that cover what the tools do
// not write (64-bit sizes, a box to the end of the file, trailing padding,
// old QuickTime starts, JPEG XL, a Canon raw with a JPEG at a sector boundary
// inside the media data, CR3 and CRM). Needs nothing but the library.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

Bytes box(const char* type, const Bytes& payload)
{
    const uint32_t size = static_cast<uint32_t>(payload.size() + 8);
    Bytes out = {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)};
    out.insert(out.end(), type, type + 4);
    return concat(out, payload);
}

// The bytes of a string literal, zero bytes inside included.
template <size_t N>
Bytes text(const char (&s)[N])
{
    return Bytes(s, s + N - 1);
}

// A Canon raw: brand "crx ", a movie box whose first child names the
// compressor, and media data holding a JPEG that starts at byte 1024.
Bytes canonRaw(const std::string& compressor)
{
    Bytes file = box("ftyp", text("crx \0\0\0\1crx isom"));
    file = concat(file, box("moov", box("uuid", concat(Bytes(16, 0x85), box("CNCV", Bytes(compressor.begin(), compressor.end()))))));
    Bytes media(1024 - file.size() - 8, 0x11);
    media = concat(media, {0xff, 0xd8, 0xff, 0xe1, 0x00, 0x10});
    media.resize(media.size() + 3000, 0x22);
    return concat(file, box("mdat", media));
}

} // namespace

TEST(IsoBmffWalker, CanonRawKeepsItsEmbeddedJpegAndTellsMovieFromPhoto)
{
    const Bytes cr3 = canonRaw("CanonCR3_001/00.10.00/00.00.00");
    expectExactEnd("CR3", cr3, "synthetic CR3");
    EXPECT_EQ(provenType("CR3", cr3), "CR3");
    EXPECT_EQ(provenType("CR3", canonRaw("CanonCRM0001/02.09.00/00.00.00")), "CRM");
    // Fed up to the sector holding the JPEG header, the file goes on past it.
    const Verdict v = walk("CR3", Bytes(cr3.begin(), cr3.begin() + 1536));
    EXPECT_EQ(v.state, State::Continues);
    EXPECT_GT(v.offset, 1536u);
}

TEST(IsoBmffWalker, SyntheticLayouts)
{
    const Bytes ftyp = box("ftyp", text("isom\0\0\0\1isommp41"));
    Bytes large = {0, 0, 0, 1, 'm', 'd', 'a', 't', 0, 0, 0, 0, 0, 0, 0x10, 0x10};
    large.resize(0x1010, 0x33);
    const Bytes moov = box("moov", box("mvhd", Bytes(100, 1)));
    struct Case {
        const char* what;
        const char* type;
        Bytes file;
    } cases[] = {
        {"64-bit media data size", "MP4", concat(concat(ftyp, large), moov)},
        {"free padding at the end", "MP4", concat(concat(ftyp, moov), box("free", Bytes(3000, 0)))},
        {"old QuickTime start", "MOV", concat(box("wide", {}), concat(box("mdat", Bytes(700, 5)), moov))},
        {"vendor box after the file type", "MP4", concat(concat(ftyp, box("abcd", Bytes(40, 7))), moov)},
        {"JPEG XL container", "JXL",
         concat(box("JXL ", {0x0d, 0x0a, 0x87, 0x0a}), concat(box("ftyp", text("jxl \0\0\0\0jxl ")),
                                                               box("jxlc", Bytes(900, 0x44))))},
    };
    for (const Case& c : cases)
        expectExactEnd(c.type, c.file, c.what);
    // A box without a size runs to the end: never an end, always at least
    // as far as the data fed.
    const Bytes open = concat(concat(ftyp, moov), {0, 0, 0, 0, 'm', 'd', 'a', 't'});
    const Verdict v = walk("MP4", concat(open, randomBytes(5000, 4)));
    EXPECT_EQ(v.state, State::Continues);
    EXPECT_GE(v.offset, open.size());
    // The old QuickTime starts are for MOV entries only.
    EXPECT_EQ(walk("MP4", cases[2].file).state, State::NotFormat);
}
