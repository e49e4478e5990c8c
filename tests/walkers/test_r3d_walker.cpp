// The RED (R3D) walker on clips built here from the atom layout (no free
// tool writes R3D): a RED2 or RED1 header, video and audio atoms (a JPEG
// header at a sector boundary inside a frame), an index and, when present,
// the REOB trailer. Each ends exactly after its last atom, also when the
// next clip's header follows at once; the header with random data behind it
// is refused. Needs nothing.

#include "walkers/WalkerTestSupport.h"

#include <cstring>

using namespace walkertest;

namespace {

void atom(Bytes& b, const char* tag, uint32_t size, uint8_t fill)
{
    const size_t at = b.size();
    b.resize(at + size, fill);
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    std::memcpy(b.data() + at + 4, tag, 4);
}

Bytes syntheticClip(const char* header, bool trailer)
{
    Bytes b;
    atom(b, header, 512, 0x01);
    atom(b, "REDV", 4096, 0x02);
    const uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0};
    std::memcpy(b.data() + 1024, jpeg, 4); // a sector boundary inside the frame
    atom(b, "REDA", 1000, 0x03);
    atom(b, "REDV", 3000, 0x04);
    atom(b, "RDVO", 24, 0x00);
    if (trailer)
        atom(b, "REOB", 56, 0x00);
    return b;
}

} // namespace

TEST(R3dWalker, EndsAfterTheLastAtom)
{
    const struct {
        const char* header;
        bool trailer;
    } cases[] = {{"RED2", true}, {"RED2", false}, {"RED1", true}};
    for (const auto& c : cases) {
        const Bytes clip = syntheticClip(c.header, c.trailer);
        const std::string what = std::string(c.header) + (c.trailer ? " with trailer" : " without trailer");
        expectExactEnd("R3D", clip, what);
        EXPECT_EQ(provenType("R3D", clip), "R3D");
        // The next clip right behind: its header atom is no atom of this one.
        EXPECT_EQ(walk("R3D", concat(clip, syntheticClip("RED2", true))), (Verdict{State::Ends, clip.size()})) << what;
        // Fed up to the JPEG header inside the frame, the clip goes on past it.
        const Verdict inside = walk("R3D", Bytes(clip.begin(), clip.begin() + 1536));
        EXPECT_EQ(inside, (Verdict{State::Continues, 512 + 4096})) << what;
        const Bytes fake = concat(Bytes(clip.begin(), clip.begin() + 8), randomBytes(8192, 6));
        EXPECT_EQ(walk("R3D", fake).state, State::NotFormat) << what;
    }
}
