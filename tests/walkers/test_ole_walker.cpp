// OLE compound file walker on files written field by field by python3
// (olefile reads them back): Word, Excel, PowerPoint and Outlook directory
// names, 4096-byte sectors, more than 109 FAT sectors (a DIFAT sector), FAT
// sectors after the data. Checks exact ends, the proven type, the proven
// length before the end, and the header check. Needs python3.

#include "walkers/DocumentMaterial.h"

using namespace walkertest;

namespace {

struct OleCase {
    const char* file;
    const char* type;
};

class OleWalkerReal : public ::testing::TestWithParam<OleCase> {};

TEST_P(OleWalkerReal, EndsAfterTheLastUsedSectorAndProvesItsType)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    const Bytes file = readFile(dir + "/" + GetParam().file);
    expectExactEnd("DOC", file, GetParam().file);
    EXPECT_EQ(provenType("DOC", file), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(Python, OleWalkerReal,
                         ::testing::Values(OleCase{"word.doc", "DOC"}, OleCase{"book.xls", "XLS"},
                                           OleCase{"slides.ppt", "PPT"}, OleCase{"mail.msg", "MSG"},
                                           OleCase{"big-sectors.doc", "DOC"}, OleCase{"difat.xls", "XLS"}));

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
    Bytes random = randomBytes(4096, 5);
    std::copy(good.begin(), good.begin() + 8, random.begin());
    EXPECT_EQ(walk("DOC", random).state, State::NotFormat);
}

} // namespace
