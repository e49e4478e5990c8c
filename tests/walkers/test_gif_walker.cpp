// GIF walker on a file made by ImageMagick (the exact ends of every kind of
// GIF are in test_real_files.cpp): another GIF right behind it is not part
// of it, and Broken where a block must start but does not. Needs ImageMagick.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

class GifWalkerTest : public ConvertTest {
protected:
    const Bytes& gif = madeOnce("convert -size 60x40 -seed 2 plasma: GIF:OUT", "convert");
};

} // namespace

TEST_F(GifWalkerTest, AnotherGifRightBehindItIsNotPartOfIt)
{
    EXPECT_EQ(walk("GIF", concat(gif, readFile(kMaterialDir + "/animation.gif"))), (Verdict{State::Ends, gif.size()}));
}

TEST_F(GifWalkerTest, NoBlockWhereOneMustStartIsBroken)
{
    const Bytes cut(gif.begin(), gif.end() - 1); // without the trailer
    EXPECT_EQ(walk("GIF", concat(cut, Bytes(600, 0x55))), (Verdict{State::Broken, cut.size()}));
    EXPECT_EQ(walk("GIF", concat(cut, Bytes(600, 0))), (Verdict{State::Broken, cut.size()}));
}
