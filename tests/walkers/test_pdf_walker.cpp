// PDF and PostScript walker: PDFs written by cairo (pdftocairo) and by
// python3 object by object (incremental update, linearized early %%EOF, CRLF
// line ends, a header later in the first sector, a JPEG at a sector boundary
// and a %%EOF inside an image stream, an indirect stream length), PostScript
// and EPS from pdftocairo/pdftops. Checks exact ends, that the embedded JPEG
// does not cut the file, and the header check. Needs python3 and
// poppler-utils (skips without them).

#include "walkers/DocumentMaterial.h"

using namespace walkertest;

namespace {

class PdfWalkerReal : public ::testing::TestWithParam<const char*> {};

TEST_P(PdfWalkerReal, EndsAfterTheLastEof)
{
    const std::string dir = documentMaterial();
    if (dir.empty())
        GTEST_SKIP() << "python3 could not write the material";
    expectExactEnd("PDF", readFile(dir + "/" + GetParam()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Python, PdfWalkerReal,
                         ::testing::Values("crlf.pdf", "linearized.pdf", "incremental.pdf", "prefixed.pdf",
                                           "image.pdf", "indirect.pdf"));

TEST(PdfWalker, CommittedAndCairoFiles)
{
    expectExactEnd("PDF", readFile(kMaterialDir + "/doc.pdf"), "doc.pdf");
    if (!haveTool("pdftocairo") || !haveTool("pdftops"))
        GTEST_SKIP() << "poppler-utils is not installed";
    ScratchDir dir;
    const std::string in = kMaterialDir + "/doc.pdf";
    ASSERT_TRUE(run("pdftocairo -pdf " + in + " " + dir.file("c.pdf")));
    ASSERT_TRUE(run("pdftocairo -ps " + in + " " + dir.file("c.ps")));
    ASSERT_TRUE(run("pdftocairo -eps " + in + " " + dir.file("c.eps")));
    ASSERT_TRUE(run("pdftops " + in + " " + dir.file("p.ps")));
    expectExactEnd("PDF", readFile(dir.file("c.pdf")), "cairo pdf");
    for (const char* name : {"c.ps", "p.ps"})
        expectExactEnd("PS", readFile(dir.file(name)), name);
    expectExactEnd("EPS", readFile(dir.file("c.eps")), "cairo eps");
    // Two PostScript files back to back: the second's header ends the first.
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
