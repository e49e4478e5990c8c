// Walkers whose header states the length: SQLite databases from sqlite3,
// 7-Zip archives from 7z, cabinets from gcab, DOS EPS and PST headers and a
// MOBI book (record list and end record) written by python3, WordPerfect
// prefixes laid out from the documented header. Checks exact ends and the
// header check on random data behind each magic. Skips a format whose tool
// is missing.

#include "walkers/DocumentMaterial.h"

using namespace walkertest;

namespace {

struct ToolCase {
    const char* type;
    const char* tool;
    const char* command; // run in a folder holding n.txt and photo.jpg; writes out
};

class DeclaredLengthTool : public ::testing::TestWithParam<ToolCase> {};

TEST_P(DeclaredLengthTool, EndsAtTheStatedLength)
{
    if (!haveTool(GetParam().tool))
        GTEST_SKIP() << GetParam().tool << " is not installed";
    ScratchDir dir;
    const std::string d = dir.path().string();
    ASSERT_TRUE(run("cp " + kMaterialDir + "/photo.jpg " + d + " && cd " + d + " && seq 1 5000 > n.txt && (" +
                    GetParam().command + ")"))
        << GetParam().command;
    expectExactEnd(GetParam().type, readFile(d + "/out"), GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, DeclaredLengthTool,
    ::testing::Values(
        ToolCase{"SQLITE", "sqlite3",
                 "sqlite3 out 'create table t(a,b); insert into t select value, hex(randomblob(50)) from "
                 "generate_series(1,300); create index i on t(b);'"},
        ToolCase{"SQLITE", "sqlite3", "sqlite3 out 'pragma page_size=65536; create table t(a); insert into t values(1)'"},
        ToolCase{"7Z", "7z", "7z a -bd out.7z n.txt photo.jpg && mv out.7z out"},
        ToolCase{"7Z", "7z", "7z a -bd -mx0 -mhc=off out.7z n.txt photo.jpg && mv out.7z out"},
        ToolCase{"CAB", "gcab", "gcab -c out n.txt photo.jpg"},
        ToolCase{"CAB", "gcab", "gcab -c -z out n.txt photo.jpg"}));

TEST(DeclaredLength, PythonWrittenHeaders)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    expectExactEnd("EPS", readFile(dir + "/dos.eps"), "DOS EPS");
    expectExactEnd("PST", readFile(dir + "/unicode.pst"), "Unicode PST");
    expectExactEnd("PST", readFile(dir + "/ansi.pst"), "ANSI PST");
    expectExactEnd("MOBI", readFile(dir + "/book.mobi"), "MOBI");
}

// A WordPerfect prefix: document area at 0x200, file size (0xDB8) at byte 20.
Bytes wordPerfect(uint8_t major, uint16_t encryption)
{
    Bytes b(0xDB8, 'w');
    const uint8_t prefix[24] = {0xFF, 'W', 'P', 'C', 0x00, 0x02, 0, 0, 1, 0x0A, major, 1,
                                static_cast<uint8_t>(encryption), 0, 0x10, 0, 0x02, 0, 5, 0, 0xB8, 0x0D, 0, 0};
    std::copy(prefix, prefix + 24, b.begin());
    return b;
}

TEST(DeclaredLength, WordPerfectSixEndsAtItsFileSize)
{
    expectExactEnd("WPD", wordPerfect(2, 0), "WordPerfect 6.1");
    // WordPerfect 5 and encrypted documents only prove their prefix.
    for (const Bytes& file : {wordPerfect(0, 0), wordPerfect(2, 0x34)})
        EXPECT_EQ(walk("WPD", concat(file, Bytes(4096, 0))), (Verdict{State::Continues, 0x200}));
}

TEST(DeclaredLength, RefusesRandomDataBehindTheMagic)
{
    const struct {
        const char* type;
        std::string magic;
    } cases[] = {
        {"SQLITE", std::string("SQLite format 3\0", 16)},
        {"7Z", "7z\xBC\xAF\x27\x1C"},
        {"CAB", std::string("MSCF\0\0\0\0", 8)},
        {"EPS", "\xC5\xD0\xD3\xC6"},
        {"PST", "!BDN"},
        {"WPD", "\xFFWPC"},
        {"MOBI", std::string("book", 4) + std::string(56, '\0') + "BOOKMOBI"},
    };
    for (const auto& c : cases) {
        for (uint32_t seed = 1; seed <= 50; ++seed) {
            Bytes data = randomBytes(4096, seed);
            std::copy(c.magic.begin(), c.magic.end(), data.begin());
            EXPECT_EQ(walk(c.type, data).state, State::NotFormat) << c.type << " seed " << seed;
        }
    }
}

} // namespace
