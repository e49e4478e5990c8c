// WordPerfect documents: a 6.1+ prefix states the file size, so the walker
// ends there; WordPerfect 5 and encrypted documents prove only their prefix.
// Prefixes laid out from the documented header; needs nothing.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

// A WordPerfect prefix: document area at 0x200, file size (0xDB8) at byte 20.
Bytes wordPerfect(uint8_t major, uint16_t encryption)
{
    Bytes b(0xDB8, 'w');
    const uint8_t prefix[24] = {0xFF, 'W', 'P', 'C', 0x00, 0x02, 0, 0, 1, 0x0A, major, 1,
                                static_cast<uint8_t>(encryption), 0, 0x10, 0, 0x02, 0, 5, 0, 0xB8, 0x0D, 0, 0};
    std::copy(prefix, prefix + 24, b.begin());
    return b;
}

TEST(WordPerfect, SixEndsAtItsFileSize)
{
    expectExactEnd("WPD", wordPerfect(2, 0), "WordPerfect 6.1");
    for (const Bytes& file : {wordPerfect(0, 0), wordPerfect(2, 0x34)})
        EXPECT_EQ(walk("WPD", concat(file, Bytes(4096, 0))), (Verdict{State::Continues, 0x200}));
}

} // namespace
