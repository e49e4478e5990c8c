// GIF walker on files made by ImageMagick (GIF87a, GIF89a, interlaced, with
// a comment, animated) and the repository's animation: exact end whatever
// follows, and Broken where a block must start but does not. Needs ImageMagick.

#include "walkers/ImageWalkerTestSupport.h"

using namespace walkertest;

namespace {

class GifWalkerTest : public MaterialTest<GifWalkerTest> {
public:
    static MaterialRecipe recipe()
    {
        const std::string src = "convert -size 60x40 -seed 2 plasma: ";
        return {{"convert"},
                "",
                {
                    {"87a", src + "-colors 32 GIF87:OUT"},
                    {"89a", src + "GIF:OUT"},
                    {"interlaced", src + "-interlace GIF GIF:OUT"},
                    {"comment", src + "-comment 'Ostrel test' GIF:OUT"},
                    {"animated", "convert -delay 10 -size 60x40 -seed 1 plasma: -seed 2 plasma: -loop 0 GIF:OUT"},
                },
                {{"material animation", "animation.gif"}}};
    }
};

} // namespace

TEST_F(GifWalkerTest, RealFilesEndExactly)
{
    for (const auto& [name, bytes] : files_)
        expectExactEnd("GIF", bytes, name);
    const Bytes& gif = file("89a");
    EXPECT_EQ(walk("GIF", concat(gif, file("animated"))), (Verdict{State::Ends, gif.size()}))
        << "another GIF right behind it";
}

TEST_F(GifWalkerTest, NoBlockWhereOneMustStartIsBroken)
{
    const Bytes& gif = file("89a");
    const Bytes cut(gif.begin(), gif.end() - 1); // without the trailer
    EXPECT_EQ(walk("GIF", concat(cut, Bytes(600, 0x55))), (Verdict{State::Broken, cut.size()}));
    EXPECT_EQ(walk("GIF", concat(cut, Bytes(600, 0))), (Verdict{State::Broken, cut.size()}));
}
