// The DICOM walker on files written by dcmtk (img2dcm, dcmdjpeg, dcmconv,
// dcmodify) in every transfer syntax it walks: encapsulated JPEG, explicit
// VR little and big endian, implicit VR, deflated, and sequences of
// undefined length, and meta groups as old writers left them (no or a
// wrong group length, implicit VR). Each ends exactly after its last
// element whatever follows; "DICM" with random data behind it is refused.
// Needs dcmtk and ImageMagick (skipped otherwise).

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

// The same picture in each syntax; empty when a tool is missing.
std::vector<std::pair<std::string, Bytes>> makeDicomFiles(const ScratchDir& dir)
{
    const std::string tools = "convert img2dcm dcmdjpeg dcmconv dcmodify";
    const std::string base = "convert -size 40x30 gradient:red-blue m.jpg && img2dcm m.jpg m.enc && "
                             "dcmdjpeg m.enc m.raw && dcmodify -nb -i '(0040,0275)[0].(0040,0007)=abc' "
                             "-i '(0040,0275)[1].(0040,0009)=x1' m.raw && ";
    const struct {
        const char* what;
        const char* last; // the command that writes m.dcm
    } cases[] = {
        {"encapsulated JPEG", "cp m.enc m.dcm"},
        {"explicit VR little endian", "cp m.raw m.dcm"},
        {"undefined-length sequences", "dcmconv -e m.raw m.dcm"},
        {"implicit VR", "dcmconv +ti -e m.raw m.dcm"},
        {"explicit VR big endian", "dcmconv +tb -e m.raw m.dcm"},
        {"deflated", "dcmconv +td m.raw m.dcm"},
    };
    if (!missingTool(tools).empty())
        return {};
    std::vector<std::pair<std::string, Bytes>> out;
    for (const auto& c : cases) {
        Bytes file = shellMake(dir, "m.dcm", base + c.last);
        if (file.empty())
            return {};
        out.emplace_back(c.what, std::move(file));
    }
    // Older writers leave out the meta group's length (0002,0000): the
    // meta group then ends at the first element of another group.
    for (size_t i : {1u, 5u}) {
        Bytes file = out[i].second;
        file.erase(file.begin() + 132, file.begin() + 144);
        out.emplace_back(out[i].first + " without meta group length", std::move(file));
    }
    // And some write the meta group in implicit VR: (0002,0000) with a
    // 4-byte length instead of "UL" and a 2-byte one.
    Bytes implicitMeta = out[1].second;
    const uint8_t length[] = {4, 0, 0, 0};
    std::copy(length, length + 4, implicitMeta.begin() + 136);
    out.emplace_back("meta group in implicit VR", std::move(implicitMeta));
    Bytes wrongLength = out[1].second;
    wrongLength[140] = static_cast<uint8_t>(wrongLength[140] + 10);
    out.emplace_back("meta group length too long", std::move(wrongLength));
    return out;
}

// The files, made once for all tests.
const std::vector<std::pair<std::string, Bytes>>& dicomFiles()
{
    static const std::vector<std::pair<std::string, Bytes>> files = [] {
        ScratchDir dir;
        return makeDicomFiles(dir);
    }();
    return files;
}

} // namespace

TEST(DicomWalker, EndsAfterTheLastElementInEverySyntax)
{
    const auto& files = dicomFiles();
    if (files.empty())
        GTEST_SKIP() << "dcmtk or ImageMagick missing";
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0};
    for (const auto& [what, file] : files) {
        expectExactEnd("DCM", file, what);
        EXPECT_EQ(provenType("DCM", file), "DCM");
        // Another file at the next sector, after slack of zeros.
        Bytes next = file;
        next.resize((file.size() + 511) / 512 * 512, 0);
        EXPECT_EQ(walk("DCM", concat(concat(next, jpeg), randomBytes(4096, 3))), (Verdict{State::Ends, file.size()}))
            << what;
        // The preamble and "DICM" with random data behind them are no header.
        const Bytes fake = concat(Bytes(file.begin(), file.begin() + 132), randomBytes(8192, 5));
        EXPECT_EQ(walk("DCM", fake).state, State::NotFormat) << what;
    }
}

TEST(DicomWalker, DamageInsidePixelDataIsBroken)
{
    const auto& files = dicomFiles();
    if (files.empty())
        GTEST_SKIP() << "dcmtk or ImageMagick missing";
    // The encapsulated file cut inside its last fragment and followed by
    // zeros: a zero tag cannot stand where the next item must.
    const Bytes& enc = files.front().second;
    const Bytes cut(enc.begin(), enc.end() - 100);
    const Verdict v = walk("DCM", concat(cut, Bytes(4096, 0)));
    EXPECT_EQ(v.state, State::Broken);
    EXPECT_GT(v.offset, cut.size());
    EXPECT_LT(v.offset, enc.size());
}
