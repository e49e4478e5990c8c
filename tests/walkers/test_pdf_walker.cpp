// PDF and PostScript walker: the next PostScript header ends a file, a JPEG
// at a sector boundary inside an image stream does not cut a PDF, and the
// header check. Needs python3 and poppler-utils (skips without them).

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

TEST(PdfWalker, NextPostScriptHeaderEndsTheFile)
{
    if (!haveTool("pdftocairo") || !haveTool("pdftops"))
        GTEST_SKIP() << "poppler-utils is not installed";
    ScratchDir dir;
    const std::string in = kMaterialDir + "/doc.pdf";
    ASSERT_TRUE(run("pdftocairo -ps " + in + " " + dir.file("c.ps") + " && pdftops " + in + " " + dir.file("p.ps")));
    const Bytes ps = readFile(dir.file("c.ps"));
    EXPECT_EQ(walk("PS", concat(ps, readFile(dir.file("p.ps")))), (Verdict{State::Ends, ps.size()}));
}

TEST(PdfWalker, JpegInsideAnImageStreamDoesNotCutIt)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    const Bytes file = readFile(dir + "/image.pdf");
    ASSERT_EQ(file[2048], 0xFF);
    const Verdict v = walk("PDF", Bytes(file.begin(), file.begin() + 2048));
    EXPECT_EQ(v.state, State::Continues);
    EXPECT_GT(v.offset, 2048u + 1000u);
}

TEST(PdfWalker, HeaderCheck)
{
    const struct {
        const char* type;
        std::string head;
        bool accepted;
    } cases[] = {
        {"PDF", "%PDF-1.7\n", true},
        {"PDF", std::string(400, ' ') + "%PDF-2.0\n", true},
        {"PDF", "%PDF-x.y", false},
        {"PDF", std::string(600, ' ') + "%PDF-1.4", false},
        {"PS", "%!PS-Adobe-3.0\n", true},
        {"PS", "%!PS-Adobe-x", false},
    };
    for (const auto& c : cases) {
        const Bytes data = concat(Bytes(c.head.begin(), c.head.end()), randomBytes(4096, 3));
        EXPECT_EQ(walk(c.type, data).state == State::NotFormat, !c.accepted) << c.head.substr(0, 20);
    }
}

} // namespace
