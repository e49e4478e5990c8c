// The OpenEXR walker on synthetic single-part images laid out as the
// OpenEXR library writes them (no EXR writer is installed): scanline chunks
// in decreasing order and tiles; each ends exactly after the chunk at the
// largest offset. Multi-part images are followed through their header only.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

void attribute(Bytes& b, const std::string& name, const std::string& type, const Bytes& value)
{
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
    b.insert(b.end(), type.begin(), type.end());
    b.push_back(0);
    putLe(b, b.size(), value.size(), 4);
    b = concat(b, value);
}

// An EXR with `chunks` chunks of growing size, written last to first; tile
// chunk headers when `flags` has the tiled bit.
Bytes syntheticExr(uint32_t flags, int chunks)
{
    Bytes b = {'v', '/', '1', 0x01};
    putLe(b, 4, 2 | flags, 4);
    attribute(b, "channels", "chlist", Bytes(37, 0x41));
    attribute(b, "compression", "compression", {0});
    attribute(b, "dataWindow", "box2i", Bytes(16, 0));
    b.push_back(0);
    const size_t table = b.size();
    const size_t head = flags & 0x200 ? 20 : 8;
    b.resize(table + 8 * chunks, 0);
    for (int i = chunks - 1; i >= 0; --i) {
        const size_t at = b.size();
        const size_t size = 100 + 10 * i;
        putLe(b, table + 8 * i, at, 8);
        b.resize(at + head, 0);
        putLe(b, at + head - 4, size, 4);
        b.resize(at + head + size, static_cast<uint8_t>(i));
    }
    return b;
}

} // namespace

TEST(ExrWalker, EndsAfterTheLastChunk)
{
    expectExactEnd("EXR", syntheticExr(0, 6), "scanlines in decreasing order");
    expectExactEnd("EXR", syntheticExr(0x200, 4), "tiles");
    EXPECT_EQ(provenType("EXR", syntheticExr(0, 2)), "EXR");
    // A multi-part image proves its header only.
    const Bytes multi = syntheticExr(0x1000, 3);
    const Verdict v = walk("EXR", concat(multi, Bytes(4096, 0)));
    EXPECT_EQ(v.state, State::Continues);
    EXPECT_LT(v.offset, multi.size());
}
