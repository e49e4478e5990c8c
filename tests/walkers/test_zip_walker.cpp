// ZIP walker: a JPEG and a ZIP at sector boundaries inside a stored entry
// do not cut it. Needs python3 (skips without).

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

TEST(ZipWalker, HeadersInsideAStoredEntryDoNotCutIt)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    const Bytes file = readFile(dir + "/embedded.zip");
    // The JPEG starts at byte 512 of the file; fed up to there, the walker
    // already knows the entry goes on past it.
    ASSERT_GT(file.size(), 1024u);
    ASSERT_EQ(file[512], 0xFF);
    ASSERT_EQ(file[513], 0xD8);
    const Verdict v = walk("ZIP", Bytes(file.begin(), file.begin() + 512));
    EXPECT_EQ(v.state, State::Continues);
    EXPECT_GT(v.offset, 60000u);
}

} // namespace
