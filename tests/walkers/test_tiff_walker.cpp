// The TIFF walker on synthetic raws: maker notes and private directories
// that point beyond everything else (Nikon preview, Olympus preview, Sony
// SR2, Canon recipe trailer), Phase One, and a reference the stream has
// passed. Needs nothing but the library.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

struct Field {
    uint16_t tag, type;
    uint32_t count, value;
};

// A little-endian directory at `at`: entry count, entries, next offset.
void putIfd(Bytes& b, size_t at, const std::vector<Field>& fields, uint32_t next = 0)
{
    putLe(b, at, fields.size(), 2);
    size_t p = at + 2;
    for (const Field& f : fields) {
        putLe(b, p, f.tag, 2);
        putLe(b, p + 2, f.type, 2);
        putLe(b, p + 4, f.count, 4);
        putLe(b, p + 8, f.value, 4);
        p += 12;
    }
    putLe(b, p, next, 4);
}

// Raw sensor data from `from`, then a JPEG preview that starts at a sector
// boundary and ends the file at `end`.
void putDataAndPreview(Bytes& b, size_t from, size_t preview, size_t end)
{
    b.resize(from, 0);
    b.resize(preview, 0x5a);
    putBytes(b, preview, "\xff\xd8\xff\xe1", 4);
    b.resize(end, 0x6b);
}

// A NEF: raw in a SubIFD; the preview lies in the Nikon maker note's
// PreviewIFD, whose offsets count from the maker note's own TIFF header.
Bytes syntheticNef()
{
    Bytes b;
    putBytes(b, 0, "II*\0\x08\0\0\0", 8);
    putIfd(b, 8, {{271, 2, 6, 0x200}, {330, 4, 1, 0x300}, {34665, 4, 1, 0x400}});
    putBytes(b, 0x200, "NIKON", 6);
    putIfd(b, 0x300, {{262, 3, 1, 32803}, {273, 4, 1, 0x1000}, {279, 4, 1, 0x2000}});
    putIfd(b, 0x400, {{37500, 7, 0x100, 0x500}});
    putBytes(b, 0x500, "Nikon\0\x02\x10\0\0II*\0\x08\0\0\0", 18);
    putIfd(b, 0x512, {{0x0011, 13, 1, 0x60}});
    putIfd(b, 0x50a + 0x60, {{0x0201, 4, 1, 0x3000 - 0x50a}, {0x0202, 4, 1, 0x800}});
    putDataAndPreview(b, 0x600, 0x3000, 0x3800);
    return b;
}

// An ORF: the preview lies in the camera settings of the Olympus maker note,
// offsets counting from the maker note's start.
Bytes syntheticOrf()
{
    Bytes b;
    putBytes(b, 0, "IIRO\x08\0\0\0", 8);
    putIfd(b, 8, {{271, 2, 8, 0x200}, {273, 4, 1, 0x1000}, {279, 4, 1, 0x1000}, {34665, 4, 1, 0x400}});
    putBytes(b, 0x200, "OLYMPUS", 8);
    putIfd(b, 0x400, {{37500, 7, 0x200, 0x500}});
    putBytes(b, 0x500, "OLYMPUS\0II\x03\0", 12);
    putIfd(b, 0x50c, {{0x2020, 13, 1, 0x100}});
    putIfd(b, 0x600, {{0x0100, 3, 1, 1}, {0x0101, 4, 1, 0x2000 - 0x500}, {0x0102, 4, 1, 0x900}});
    putDataAndPreview(b, 0x700, 0x2000, 0x2900);
    return b;
}

// An ARW: the encrypted SR2 block, last in the file, is given by the
// SR2Private directory that tag 0xc634 points to.
Bytes syntheticArw()
{
    Bytes b;
    putBytes(b, 0, "II*\0\x08\0\0\0", 8);
    putIfd(b, 8, {{271, 2, 5, 0x200}, {330, 4, 1, 0x300}, {0xc634, 4, 1, 0x400}});
    putBytes(b, 0x200, "SONY", 5);
    putIfd(b, 0x300, {{262, 3, 1, 32803}, {273, 4, 1, 0x1000}, {279, 4, 1, 0x1000}});
    putIfd(b, 0x400, {{0x7200, 4, 1, 0x2000}, {0x7201, 4, 1, 0x600}, {0x7221, 4, 1, 0x1234}});
    putDataAndPreview(b, 0x500, 0x2000, 0x2600);
    return b;
}

// A CR2 edited in Canon's converter: the recipe trailer after the raw data
// is given only by the Canon maker note (tag 0xd0).
Bytes syntheticCr2()
{
    Bytes b;
    putBytes(b, 0, "II*\0\x10\0\0\0CR\x02\0\0\0\0\0", 16);
    putIfd(b, 16, {{271, 2, 6, 0x200}, {273, 4, 1, 0x1000}, {279, 4, 1, 0x1000}, {34665, 4, 1, 0x400}});
    putBytes(b, 0x200, "Canon", 6);
    putIfd(b, 0x400, {{37500, 7, 0x100, 0x500}});
    putIfd(b, 0x500, {{0x0001, 3, 1, 0}, {0x00d0, 4, 1, 0x2000}});
    b.resize(0x2000, 0x5a);
    putBytes(b, 0x2000, "CANON OPTIONAL DATA\0\0\x01\0\0\0\0\x04\0", 28);
    b.resize(0x2000 + 0x400 + 0x5c, 0x6b);
    return b;
}

// The directory at 512 KiB; its strip arrays at `arrays`.
Bytes directoryAtTheEnd(size_t arrays)
{
    Bytes b;
    putBytes(b, 0, "II*\0\x00\x00\x08\x00", 8);
    putLe(b, arrays, 0x100, 4);
    putLe(b, arrays + 4, 0x200, 4);
    putLe(b, arrays + 8, 0x100, 4);
    putLe(b, arrays + 12, 0x100, 4);
    putIfd(b, 0x80000, {{256, 4, 1, 16}, {273, 4, 2, uint32_t(arrays)}, {279, 4, 2, uint32_t(arrays + 8)}});
    return b;
}

} // namespace

TEST(TiffWalker, MakerNotesAndPrivateDirectoriesReachTheEnd)
{
    const struct {
        const char* type;
        Bytes file;
        const char* proven;
    } cases[] = {{"TIF", syntheticNef(), "NEF"},
                 {"ORF", syntheticOrf(), "ORF"},
                 {"TIF", syntheticArw(), "ARW"},
                 {"CR2", syntheticCr2(), "CR2"}};
    for (const auto& c : cases) {
        expectExactEnd(c.type, c.file, c.proven);
        EXPECT_EQ(provenType(c.type, c.file), c.proven);
        // Fed up to the preview's sector, the file goes on past it.
        const Bytes head(c.file.begin(), c.file.end() - 0x200);
        const Verdict v = walk(c.type, head);
        EXPECT_EQ(v, (Verdict{State::Continues, c.file.size()})) << c.proven;
    }
}

TEST(TiffWalker, UnreadableReferencesNeverGiveAnEnd)
{
    // Strip arrays kept at the start are read back; arrays the stream passed
    // long ago cannot be, and the end stays a lower bound.
    const Bytes inWindow = directoryAtTheEnd(0x100);
    EXPECT_EQ(walk("TIF", concat(inWindow, Bytes(4096, 0))), (Verdict{State::Ends, inWindow.size()}));
    const Bytes passed = directoryAtTheEnd(0x50000);
    const Verdict v = walk("TIF", concat(passed, Bytes(4096, 0)));
    EXPECT_EQ(v.state, State::Continues);
    EXPECT_GE(v.offset, passed.size());
    // Phase One keeps its raw data in a directory of its own.
    Bytes iiq = syntheticArw();
    putBytes(iiq, 8, "IIII", 4);
    putLe(iiq, 4, 0x100, 4);
    putIfd(iiq, 0x100, {{271, 2, 5, 0x200}});
    EXPECT_EQ(provenType("TIF", iiq), "IIQ");
    EXPECT_EQ(walk("TIF", iiq).state, State::Continues);
}
