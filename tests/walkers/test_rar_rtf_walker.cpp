// RAR and RTF: the RARs python3 writes block by block (no RAR encoder is
// packaged) are valid archives for 7z, and a JPEG inside RTF \bin data does
// not cut the file. Needs python3 (and 7z for the archive check).

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

TEST(RarWalker, WrittenArchivesAreValid)
{
    const std::string dir = documentMaterial();
    if (dir.empty() || !haveTool("7z"))
        GTEST_SKIP() << "needs python3 and 7z";
    for (const char* name : {"five.rar", "four.rar"})
        EXPECT_TRUE(run("7z t " + dir + "/" + name)) << name << " is not a valid archive";
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

} // namespace
