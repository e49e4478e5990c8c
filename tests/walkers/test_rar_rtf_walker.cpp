// RAR (4 and 5, written block by block by python3 and tested with 7z when it
// is there: no RAR encoder is packaged) and RTF (nested groups, escapes,
// \bin picture data) walkers: exact ends, a JPEG inside \bin data does not
// cut the file, the header checks. Needs python3.

#include "walkers/DocumentMaterial.h"

using namespace walkertest;

namespace {

TEST(RarWalker, EndsAtTheEndOfArchiveBlock)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    for (const char* name : {"five.rar", "four.rar"}) {
        if (haveTool("7z"))
            EXPECT_TRUE(run("7z t " + dir + "/" + name)) << name << " is not a valid archive";
        expectExactEnd("RAR", readFile(dir + "/" + name), name);
    }
}

TEST(RtfWalker, EndsAfterTheLastBrace)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    for (const char* name : {"plain.rtf", "crlf.rtf", "picture.rtf"})
        expectExactEnd("RTF", readFile(dir + "/" + name), name);
}

TEST(RtfWalker, BinaryPictureDataIsSkippedWhole)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    const Bytes file = readFile(dir + "/picture.rtf");
    const Bytes jpeg = readFile(kMaterialDir + "/photo.jpg");
    const auto at = static_cast<size_t>(std::search(file.begin(), file.end(), jpeg.begin(), jpeg.begin() + 4) -
                                        file.begin());
    ASSERT_LT(at, file.size());
    const Verdict v = walk("RTF", Bytes(file.begin(), file.begin() + static_cast<long>(at) + 1), 1);
    EXPECT_EQ(v, (Verdict{State::Continues, at + jpeg.size()}));
}

TEST(RarRtfWalkers, HeaderChecks)
{
    const struct {
        const char* type;
        std::string head;
    } cases[] = {
        {"RAR", std::string("Rar!\x1A\x07\x00", 7)},
        {"RAR", std::string("Rar!\x1A\x07\x01\x00", 8)},
        {"RTF", "{\\rtf1\\"},
    };
    for (const auto& c : cases) {
        for (uint32_t seed = 1; seed <= 50; ++seed) {
            const Bytes data = concat(Bytes(c.head.begin(), c.head.end()), randomBytes(4096, seed));
            EXPECT_EQ(walk(c.type, data).state, State::NotFormat) << c.type << " seed " << seed;
        }
    }
}

} // namespace
