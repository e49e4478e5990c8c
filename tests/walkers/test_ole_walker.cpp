// OLE compound file walker on a file written field by field by python3: the
// proven length before the end, and header fields that do not fit. Needs
// python3.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

TEST(OleWalker, ContinuesToTheFatSectorsBeforeReachingThem)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    // The FAT sectors follow the data: after the header alone the file is
    // known to reach at least the first of them.
    const Bytes file = readFile(dir + "/word.doc");
    const Verdict v = walk("DOC", Bytes(file.begin(), file.begin() + 1024));
    EXPECT_EQ(v.state, State::Continues);
    EXPECT_GT(v.offset, file.size() / 2);
    EXPECT_LE(v.offset, file.size());
}

TEST(OleWalker, HeaderCheck)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    const Bytes good = readFile(dir + "/word.doc");
    const struct {
        size_t at;
        uint8_t value;
    } damages[] = {{26, 5}, {28, 0xFF}, {30, 10}, {32, 7}, {44, 0}, {76, 0xF0}};
    for (const auto& d : damages) {
        Bytes bad = good;
        bad[d.at] = d.value;
        if (d.at == 44)
            bad[45] = bad[46] = bad[47] = 0;
        if (d.at == 76)
            bad[77] = bad[78] = bad[79] = 0xF0;
        EXPECT_EQ(walk("DOC", bad).state, State::NotFormat) << "byte " << d.at;
    }
}

} // namespace
