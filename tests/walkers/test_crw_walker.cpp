// The Canon CIFF (CRW) walker on files built here from the CIFF layout (no
// free tool writes CRW): header, a JPEG preview, raw data holding a decoy
// directory, an image-properties sub-heap with its own directory, the root
// directory and its offset. The walker ends exactly after the root
// directory's offset word, not at the decoy or the sub-heap; the magic with
// random data behind it is refused. Needs nothing.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

// Appends a directory of (tag, size, offset) entries and the offset word
// `heapOffset` that points to it.
void directory(Bytes& b, std::initializer_list<std::array<uint32_t, 3>> entries, uint64_t heapOffset)
{
    const size_t at = b.size();
    putLe(b, at, entries.size(), 2);
    for (const auto& e : entries) {
        const size_t to = b.size();
        putLe(b, to, e[0], 2);
        putLe(b, to + 2, e[1], 4);
        putLe(b, to + 6, e[2], 4);
    }
    putLe(b, b.size(), heapOffset, 4);
}

Bytes syntheticCrw()
{
    Bytes b;
    putBytes(b, 0, "II\x1a\0\0\0HEAPCCDR\x02\0\x01\0", 18);
    b.resize(26, 0);
    putBytes(b, 26, "\xff\xd8\xff\xdb", 4); // the preview at heap offset 0
    b.resize(26 + 300, 0x11);
    const Bytes raw = randomBytes(2000, 21);
    b.insert(b.end(), raw.begin(), raw.end());
    // A decoy inside the raw data: a directory of the root heap without the
    // raw data or preview entries, which the root directory always holds.
    const size_t decoy = 26 + 300 + 1000;
    b.resize(decoy);
    directory(b, {{{0x0810, 4, 0}}}, decoy - 26);
    b.resize(26 + 2300, 0x22);
    // The image properties sub-heap: one record and its own directory.
    const size_t sub = b.size();
    b.resize(sub + 40, 0x33);
    directory(b, {{{0x1810, 40, 0}}}, 40);
    const uint32_t subSize = static_cast<uint32_t>(b.size() - sub);
    const uint64_t root = b.size() - 26;
    directory(b, {{{0x2007, 300, 0}}, {{0x2005, 2000, 300}}, {{0x300a, subSize, 2300}}}, root);
    return b;
}

} // namespace

TEST(CrwWalker, EndsAfterTheRootDirectory)
{
    const Bytes file = syntheticCrw();
    expectExactEnd("CRW", file, "synthetic CRW");
    EXPECT_EQ(provenType("CRW", file), "CRW");
    // In one piece, so the directory is read from the piece and not the ring.
    EXPECT_EQ(walk("CRW", concat(file, randomBytes(4096, 2)), 1 << 20), (Verdict{State::Ends, file.size()}));
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        const Bytes fake = concat(Bytes(file.begin(), file.begin() + 14), randomBytes(8192, seed));
        EXPECT_EQ(walk("CRW", fake).state, State::NotFormat) << seed;
    }
    // Without its root directory's offset word the file proves no end.
    EXPECT_NE(walk("CRW", Bytes(file.begin(), file.end() - 4)).state, State::Ends);
}
