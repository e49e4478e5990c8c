// The Fujifilm (RAF), Minolta (MRW) and Sigma (X3F) raw walkers, on
// synthetic files laid out as those cameras write them (no free tool writes
// these formats): each ends exactly after its last block, a JPEG header at a
// sector boundary inside does not end it, and what the format does not say leaves the end open.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

// A RAF: header, JPEG at 0x94, metadata container, raw data holding a JPEG
// header at a sector boundary; a second raw block when `second` is set.
Bytes syntheticRaf(bool second)
{
    Bytes b;
    putBytes(b, 0, "FUJIFILMCCD-RAW 0201FF389501X-T3", 32);
    putBytes(b, 0x3c, "0100", 4);
    putBe(b, 0x54, 0x94, 4);
    putBe(b, 0x58, 0x400, 4);
    putBe(b, 0x5c, 0x4a0, 4);
    putBe(b, 0x60, 0x60, 4);
    putBe(b, 0x64, 0x600, 4);
    putBe(b, 0x68, 0x1000, 4);
    if (second) {
        putBe(b, 0x80, 0x1600, 4);
        putBe(b, 0x84, 0x200, 4);
    }
    putBytes(b, 0x94, "\xff\xd8\xff\xe1", 4);
    b.resize(0x600, 0x11);
    b.resize(0x800, 0x22);
    putBytes(b, 0x800, "\xff\xd8\xff\xe0", 4);
    b.resize(second ? 0x1800 : 0x1600, 0x33);
    return b;
}

// An MRW of a 32x16 sensor: PRD with the storage method, TTW, PAD, raw data.
Bytes syntheticMrw(uint8_t storage)
{
    Bytes b;
    putBytes(b, 0, "\0MRM", 4);
    putBytes(b, 8, "\0PRD", 4);
    putBe(b, 12, 24, 4);
    putBytes(b, 16, "21810002", 8);
    putBe(b, 24, 16, 2);
    putBe(b, 26, 32, 2);
    b.resize(40, 0);
    b[34] = storage;
    putBytes(b, 40, "\0TTW", 4);
    putBe(b, 44, 100, 4);
    b.resize(148, 0x44);
    putBytes(b, 148, "\0PAD", 4);
    putBe(b, 152, 356, 4);
    b.resize(512, 0);
    putBe(b, 4, 512 - 8, 4);
    b.resize(512 + (storage == 0x52 ? 1024 : 768), 0x55);
    return b;
}

// An X3F: header, sections (the image one holding a "SECd" that is no
// directory), the directory and its offset.
Bytes syntheticX3f()
{
    Bytes b;
    putBytes(b, 0, "FOVb", 4);
    putLe(b, 4, 0x00020003, 4);
    b.resize(256, 0);
    b.resize(356, 0x61);
    putBytes(b, 356, "SECi", 4);
    b.resize(600, 0x62);
    putBytes(b, 600, "SECd\0\0\2\0\xff\xff", 10);
    b.resize(856, 0x63);
    const size_t dir = b.size();
    putBytes(b, dir, "SECd", 4);
    putLe(b, dir + 4, 0x00020000, 4);
    putLe(b, dir + 8, 2, 4);
    putLe(b, dir + 12, 256, 4);
    putLe(b, dir + 16, 100, 4);
    putBytes(b, dir + 20, "PROP", 4);
    putLe(b, dir + 24, 356, 4);
    putLe(b, dir + 28, 500, 4);
    putBytes(b, dir + 32, "IMA2", 4);
    putLe(b, dir + 36, dir, 4);
    return b;
}

} // namespace

TEST(OtherRawWalkers, EndExactlyAfterTheLastBlock)
{
    const struct {
        const char* type;
        Bytes file;
        const char* what;
    } cases[] = {
        {"RAF", syntheticRaf(false), "RAF"},
        {"RAF", syntheticRaf(true), "RAF with a second raw block"},
        {"MRW", syntheticMrw(0x59), "MRW packed 12 bit"},
        {"MRW", syntheticMrw(0x52), "MRW 16 bit"},
        {"X3F", syntheticX3f(), "X3F"},
    };
    for (const auto& c : cases) {
        expectExactEnd(c.type, c.file, c.what);
        EXPECT_EQ(provenType(c.type, c.file), c.type);
    }
}

TEST(OtherRawWalkers, InnerHeadersAndUnknownLayouts)
{
    // Fed up to the JPEG header inside the raw data, the RAF goes on.
    const Bytes raf = syntheticRaf(false);
    EXPECT_EQ(walk("RAF", Bytes(raf.begin(), raf.begin() + 0xa00)), (Verdict{State::Continues, raf.size()}));
    // An unknown storage method gives the start of the raw data only.
    const Verdict mrw = walk("MRW", concat(syntheticMrw(0x00), randomBytes(4096, 2)));
    EXPECT_EQ(mrw, (Verdict{State::Continues, 512}));
    // An X3F whose directory is gone proves nothing beyond its header.
    const Bytes x3f = syntheticX3f();
    EXPECT_NE(walk("X3F", Bytes(x3f.begin(), x3f.end() - 4)).state, State::Ends);
}
