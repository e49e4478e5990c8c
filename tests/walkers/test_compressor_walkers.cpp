// Compressed-stream walkers (GZIP, XZ, BZIP2, Zstandard, LZ4) on files made
// by the real tools: default and extreme settings, names and checks,
// multi-block and multi-threaded output, and concatenated members, streams
// and frames. Checks exact ends and the header check on random data behind
// each magic. Skips a format whose tool is missing.

#include "walkers/DocumentMaterial.h"

using namespace walkertest;

namespace {

struct Case {
    const char* type;
    const char* tool;
    const char* command; // run where in.bin exists; writes out
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.command;
}

class CompressorWalker : public ::testing::TestWithParam<Case> {};

TEST_P(CompressorWalker, EndsExactly)
{
    if (!haveTool(GetParam().tool))
        GTEST_SKIP() << GetParam().tool << " is not installed";
    ScratchDir dir;
    const std::string d = dir.path().string();
    // Text that compresses and a JPEG that does not.
    ASSERT_TRUE(run("cd " + d + " && seq 1 20000 > in.bin && cat " + kMaterialDir + "/photo.jpg >> in.bin && seq 5 9000 >> in.bin"));
    ASSERT_TRUE(run("cd " + d + " && (" + GetParam().command + ")")) << GetParam().command;
    expectExactEnd(GetParam().type, readFile(d + "/out"), GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, CompressorWalker,
    ::testing::Values(Case{"GZ", "gzip", "gzip -c in.bin > out"}, Case{"GZ", "gzip", "gzip -9 -n -c in.bin > out"},
                      Case{"GZ", "gzip", "gzip -c in.bin > a && gzip -1 -c in.bin > b && cat a b > out"},
                      Case{"XZ", "xz", "xz -T1 -c in.bin > out"},
                      Case{"XZ", "xz", "xz -T2 --block-size=20000 --check=sha256 -c in.bin > out"},
                      Case{"XZ", "xz", "xz -e --check=none -c in.bin > a && xz -0 -c in.bin > b && cat a b > out"},
                      Case{"BZ2", "bzip2", "bzip2 -c in.bin > out"}, Case{"BZ2", "bzip2", "bzip2 -1 -c in.bin > out"},
                      Case{"BZ2", "bzip2", "bzip2 -c in.bin > a && bzip2 -9 -c in.bin > b && cat a b > out"},
                      Case{"ZST", "zstd", "zstd -q -c in.bin > out"},
                      Case{"ZST", "zstd", "zstd -q -19 --no-check -c in.bin > out"},
                      Case{"ZST", "zstd", "zstd -q -c in.bin > a && zstd -q -1 -c in.bin > b && cat a b > out"},
                      Case{"LZ4", "lz4", "lz4 -q -c in.bin > out"},
                      Case{"LZ4", "lz4", "lz4 -q -BD -BX --content-size -c in.bin > out"},
                      Case{"LZ4", "lz4", "lz4 -q -c in.bin > a && lz4 -q -9 -B4 -c in.bin > b && cat a b > out"}));

TEST(CompressorWalker, RefusesRandomDataBehindTheMagic)
{
    // BZIP2 and Zstandard headers hold few checkable bits (BZIP2's 10-byte
    // magic makes a chance match impossible anyway): most, not all, random
    // tails are refused.
    const struct {
        const char* type;
        std::string magic;
        int atLeast;
    } cases[] = {
        {"GZ", std::string("\x1F\x8B\x08\x00", 4), 100},
        {"XZ", std::string("\xFD\x37\x7A\x58\x5A\x00", 6), 100},
        {"BZ2", "BZh91AY&SY", 95},
        {"ZST", "\x28\xB5\x2F\xFD", 93},
        {"LZ4", "\x04\x22\x4D\x18", 100},
    };
    for (const auto& c : cases) {
        int refused = 0;
        for (uint32_t seed = 1; seed <= 100; ++seed) {
            Bytes data = randomBytes(ostrel::walkers::kHeaderLookahead, seed);
            std::copy(c.magic.begin(), c.magic.end(), data.begin());
            refused += walk(c.type, data).state == State::NotFormat;
        }
        EXPECT_GE(refused, c.atLeast) << c.type;
    }
}

} // namespace
