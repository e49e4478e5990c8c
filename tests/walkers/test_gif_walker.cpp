// GIF walker on files made by ImageMagick (GIF87a, GIF89a, interlaced, with
// a comment, animated) and the repository's animation: exact end whatever
// follows, the header check (signature, then an image or one of the four
// extensions where the first block must start) against random bytes, and
// Broken where a block must start but does not. Needs ImageMagick.

#include "walkers/ImageWalkerTestSupport.h"

using namespace walkertest;

namespace {

class GifWalkerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!haveTool("convert"))
            return;
        dir_ = new ScratchDir;
        files_ = makeMaterial(*dir_, {
            {"87a", "convert -size 60x40 -seed 2 plasma: -colors 32 GIF87:OUT"},
            {"89a", "convert -size 60x40 -seed 2 plasma: GIF:OUT"},
            {"interlaced", "convert -size 60x40 -seed 2 plasma: -interlace GIF GIF:OUT"},
            {"comment", "convert -size 60x40 -seed 2 plasma: -comment 'Ostrel test' GIF:OUT"},
            {"animated", "convert -delay 10 -size 60x40 -seed 1 plasma: -seed 2 plasma: -loop 0 GIF:OUT"},
        });
        files_["material animation"] = readFile(kMaterialDir + "animation.gif");
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override
    {
        if (!dir_)
            GTEST_SKIP() << "needs ImageMagick convert";
        ASSERT_EQ(files_.size(), 6u) << "ImageMagick did not make every file";
    }

    static inline ScratchDir* dir_ = nullptr;
    static inline std::map<std::string, Bytes> files_;
};

} // namespace

TEST_F(GifWalkerTest, RealFilesEndExactly)
{
    for (const auto& [name, bytes] : files_)
        expectExactEnd("GIF", bytes, name);
    const Bytes& gif = files_.at("89a");
    EXPECT_EQ(walk("GIF", concat(gif, files_.at("animated"))), (Verdict{State::Ends, gif.size()}))
        << "another GIF right behind it";
}

TEST_F(GifWalkerTest, NoBlockWhereOneMustStartIsBroken)
{
    const Bytes& gif = files_.at("89a");
    const Bytes cut(gif.begin(), gif.end() - 1); // without the trailer
    EXPECT_EQ(walk("GIF", concat(cut, Bytes(600, 0x55))), (Verdict{State::Broken, cut.size()}));
    EXPECT_EQ(walk("GIF", concat(cut, Bytes(600, 0))), (Verdict{State::Broken, cut.size()}));
}

TEST(GifWalkerHeader, RandomDataBehindTheMagicIsRefused)
{
    // Signature and screen descriptor are random after the magic; the first
    // block passes by chance about once in 8000.
    for (const char* magic : {"GIF87a", "GIF89a"}) {
        const int accepted = acceptedRandomHeaders("GIF", Bytes(magic, magic + 6), 4096);
        EXPECT_LE(accepted, 4) << magic;
    }
}
