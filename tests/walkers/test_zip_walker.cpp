// ZIP family walker on real archives: zip (stored, deflated, streamed to a
// pipe so every entry has a data descriptor, with a comment), python3 zipfile
// (ZIP64, descriptors, office and e-book skeletons) and the committed
// material. Checks exact ends, the proven type, a JPEG and a ZIP at sector
// boundaries inside a stored entry, and the header check on random data.
// Needs zip and python3 (skips without them).

#include "walkers/DocumentMaterial.h"

using namespace walkertest;

namespace {

struct ZipCase {
    const char* file;
    const char* type;
};

class ZipWalkerReal : public ::testing::TestWithParam<ZipCase> {};

TEST_P(ZipWalkerReal, EndsExactlyAndProvesItsType)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    const Bytes file = readFile(dir + "/" + GetParam().file);
    expectExactEnd("ZIP", file, GetParam().file);
    EXPECT_EQ(provenType("ZIP", concat(file, Bytes(512, 0))), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(Python, ZipWalkerReal,
                         ::testing::Values(ZipCase{"zip64.zip", "ZIP"}, ZipCase{"stream.zip", "ZIP"},
                                           ZipCase{"stream64.zip", "ZIP"}, ZipCase{"embedded.zip", "ZIP"},
                                           ZipCase{"skeleton.docx", "DOCX"}, ZipCase{"skeleton.xlsx", "XLSX"},
                                           ZipCase{"skeleton.pptx", "PPTX"}, ZipCase{"skeleton.odt", "ODT"},
                                           ZipCase{"skeleton.ods", "ODS"}, ZipCase{"skeleton.odp", "ODP"},
                                           ZipCase{"skeleton.odg", "ODG"}, ZipCase{"skeleton.epub", "EPUB"},
                                           ZipCase{"skeleton.jar", "JAR"}));

TEST(ZipWalker, CommittedMaterial)
{
    for (const auto& [name, type] : {std::pair{"letter.docx", "DOCX"}, std::pair{"notes.zip", "ZIP"}}) {
        const Bytes file = readFile(kMaterialDir + "/" + name);
        expectExactEnd("ZIP", file, name);
        EXPECT_EQ(provenType("ZIP", file), type) << name;
    }
}

TEST(ZipWalker, InfoZipStoredDeflatedStreamedAndCommented)
{
    if (!haveTool("zip"))
        GTEST_SKIP() << "zip is not installed";
    ScratchDir dir;
    const std::string d = dir.path().string();
    ASSERT_TRUE(run("cp " + kMaterialDir + "/photo.jpg " + kMaterialDir + "/doc.pdf " + d +
                    " && cd " + d + " && seq 1 3000 > n.txt"));
    const char* commands[] = {
        "zip -q a.zip n.txt photo.jpg doc.pdf",
        "zip -q -0 a.zip n.txt photo.jpg",
        "zip -q - n.txt photo.jpg doc.pdf > a.zip",           // to a pipe: data descriptors
        "zip -q -0 - n.txt photo.jpg > a.zip",                // stored with descriptors
        "cat n.txt | zip -q - - > a.zip",                     // from a pipe: ZIP64 descriptor
        "zip -q a.zip n.txt && echo 'a comment' | zip -q -z a.zip",
    };
    for (const char* command : commands) {
        ASSERT_TRUE(run("cd " + d + " && rm -f a.zip && (" + command + ")")) << command;
        expectExactEnd("ZIP", readFile(d + "/a.zip"), command);
    }
}

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

TEST(ZipWalker, RefusesRandomDataBehindTheMagic)
{
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        Bytes data = randomBytes(ostrel::walkers::kHeaderLookahead, seed);
        data[0] = 'P', data[1] = 'K', data[2] = 3, data[3] = 4;
        EXPECT_EQ(walk("ZIP", data).state, State::NotFormat) << "seed " << seed;
    }
}

} // namespace
