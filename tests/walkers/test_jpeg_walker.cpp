// JPEG walker on cjpeg files (the exact ends of every kind of JPEG are in
// test_real_files.cpp): another JPEG right behind one, exiftool's Exif
// thumbnail moved to a sector boundary, and MPF files (several images behind
// one index) put together here. Checks that a thumbnail or a listed image at
// a sector boundary is covered by Continues before it is reached, and Broken
// at a marker that may not stand where it does. Needs ImageMagick, cjpeg and exiftool (skips without them).

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;

namespace {

uint16_t be16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

// Offset of the first SOI after the file's own, i.e. the Exif thumbnail.
size_t thumbnailOffset(const Bytes& jpeg)
{
    for (size_t i = 2; i + 2 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xD8 && jpeg[i + 2] == 0xFF)
            return i;
    }
    return 0;
}

// `jpeg` with a COM segment of `total` bytes (at least 4) inserted at `at`.
Bytes withComment(const Bytes& jpeg, size_t at, size_t total)
{
    Bytes com = {0xFF, 0xFE, static_cast<uint8_t>((total - 2) >> 8), static_cast<uint8_t>(total - 2)};
    com.resize(total, 'x');
    Bytes out(jpeg.begin(), jpeg.begin() + static_cast<long>(at));
    out.insert(out.end(), com.begin(), com.end());
    out.insert(out.end(), jpeg.begin() + static_cast<long>(at), jpeg.end());
    return out;
}

// An MPF file the way cameras and phones write one: the first image carries
// an APP2 "MPF" index (big-endian TIFF) after its APP0, the other images
// follow it, each `gap` bytes after the previous one (0: the second image
// starts at the next sector boundary, as phones put it).
Bytes makeMpf(const std::vector<Bytes>& images, size_t gap)
{
    const size_t n = images.size();
    const size_t entriesAt = 8 + 2 + 3 * 12 + 4; // from the TIFF header
    Bytes app2 = {0xFF, 0xE2, 0, 0, 'M', 'P', 'F', 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 3};
    const Bytes tags = {0xB0, 0x00, 0, 7, 0, 0, 0, 4, '0', '1', '0', '0', //
                        0xB0, 0x01, 0, 4, 0, 0, 0, 1, 0, 0, 0, static_cast<uint8_t>(n),
                        0xB0, 0x02, 0, 7, 0, 0, 0, static_cast<uint8_t>(16 * n), 0, 0, 0, static_cast<uint8_t>(entriesAt),
                        0, 0, 0, 0};
    app2.insert(app2.end(), tags.begin(), tags.end());
    const size_t entries = app2.size();
    app2.resize(entries + 16 * n, 0);
    app2[2] = static_cast<uint8_t>((app2.size() - 2) >> 8);
    app2[3] = static_cast<uint8_t>(app2.size() - 2);
    const size_t insertAt = 2 + 2 + be16(images[0].data() + 4); // after SOI and the first segment
    const size_t tiff = insertAt + 8;
    if (gap == 0)
        gap = 512 - (images[0].size() + app2.size()) % 512;
    size_t start = 0;
    for (size_t k = 0; k < n; ++k) {
        const size_t size = images[k].size() + (k == 0 ? app2.size() : 0);
        putBe(app2, entries + 16 * k + 4, static_cast<uint32_t>(size), 4);
        putBe(app2, entries + 16 * k + 8, k == 0 ? 0 : static_cast<uint32_t>(start - tiff), 4);
        start += size + gap;
    }
    Bytes out(images[0].begin(), images[0].begin() + static_cast<long>(insertAt));
    out.insert(out.end(), app2.begin(), app2.end());
    out.insert(out.end(), images[0].begin() + static_cast<long>(insertAt), images[0].end());
    for (size_t k = 1; k < n; ++k) {
        out.resize(out.size() + gap, 0);
        out.insert(out.end(), images[k].begin(), images[k].end());
    }
    return out;
}

// The picture every cjpeg file here is made from.
const std::string kSrc = "{ test -f src.ppm || convert -size 200x150 -seed 3 plasma: src.ppm; } && ";

const std::map<std::string, std::string> kJpegs = {
    {"baseline", kSrc + "cjpeg -quality 85 -outfile OUT src.ppm"},
    {"progressive", kSrc + "cjpeg -progressive -outfile OUT src.ppm"},
    {"optimised", kSrc + "cjpeg -optimize -quality 60 -outfile OUT src.ppm"},
    {"grey", kSrc + "cjpeg -grayscale -progressive -outfile OUT src.ppm"},
    {"exif thumbnail", kSrc + "cjpeg -outfile OUT src.ppm && exiftool -q -overwrite_original -Make=Test '-ThumbnailImage<=" +
                           kMaterialDir + "/thumb.jpg' OUT"},
};

class JpegWalkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string missing = missingTool("convert cjpeg exiftool"); !missing.empty())
            GTEST_SKIP() << missing << " is not installed";
    }
    static const Bytes& file(const std::string& name) { return madeOnce(kJpegs.at(name)); }
};

} // namespace

TEST_F(JpegWalkerTest, AnotherJpegRightBehindItIsNotPartOfIt)
{
    const Bytes& photo = file("baseline");
    EXPECT_EQ(walk("JPG", concat(photo, file("progressive"))), (Verdict{State::Ends, photo.size()}));
}

TEST_F(JpegWalkerTest, ThumbnailAtASectorBoundaryIsInsideTheFile)
{
    const Bytes& exif = file("exif thumbnail");
    const size_t thumb = thumbnailOffset(exif);
    ASSERT_GT(thumb, 20u) << "exiftool wrote no thumbnail";
    // A comment after APP0 moves the thumbnail to the next 512-byte boundary.
    size_t pad = (512 - (thumb % 512)) % 512;
    if (pad < 4)
        pad += 512;
    const Bytes aligned = withComment(exif, 20, pad);
    ASSERT_EQ(thumbnailOffset(aligned) % 512, 0u);
    const Verdict before = walkPrefix("JPG", aligned, thumbnailOffset(aligned));
    EXPECT_EQ(before.state, State::Continues);
    EXPECT_GT(before.offset, thumbnailOffset(aligned) + 2) << "the thumbnail's header would cut the file";
    expectExactEnd("JPG", aligned, "thumbnail at a sector boundary");
}

TEST_F(JpegWalkerTest, MpfIndexExtendsTheFileToTheLastImage)
{
    const struct {
        std::vector<std::string> images;
        size_t gap;
    } cases[] = {
        {{"baseline", "progressive"}, 1},
        {{"exif thumbnail", "grey", "optimised"}, 7},
        {{"grey", "material photo"}, 0},
    };
    for (const auto& c : cases) {
        std::vector<Bytes> images;
        for (const auto& name : c.images)
            images.push_back(name == "material photo" ? readFile(kMaterialDir + "/photo.jpg") : file(name));
        const Bytes mpf = makeMpf(images, c.gap);
        expectExactEnd("JPG", mpf, c.images.back());
        // Covered before the sector holding the second image's header.
        size_t second = mpf.size();
        for (size_t k = 1; k < images.size(); ++k)
            second -= images[k].size() + (k == 1 ? 0 : c.gap);
        ASSERT_TRUE(c.gap != 0 || second % 512 == 0);
        ASSERT_EQ(Bytes(mpf.begin() + static_cast<long>(second), mpf.begin() + static_cast<long>(second) + 4),
                  Bytes(images[1].begin(), images[1].begin() + 4));
        EXPECT_EQ(walkPrefix("JPG", mpf, second), (Verdict{State::Continues, mpf.size()})) << c.images.back();
    }
}

TEST_F(JpegWalkerTest, MarkerThatMayNotStandThereIsBroken)
{
    const Bytes& photo = file("baseline"); // APP0 at 2, DQT at 20
    const size_t dqt2 = 20 + 2 + be16(photo.data() + 22);
    ASSERT_EQ(photo[dqt2 + 1], 0xDB);
    size_t scan = photo.size() - 100; // well inside the entropy data
    while (photo[scan] == 0xFF || photo[scan - 1] == 0xFF)
        ++scan;
    const struct {
        std::string what;
        size_t at;
        Bytes bytes;
        size_t broken;
    } cases[] = {
        {"a second SOI after APP0", 20, {0xFF, 0xD8}, 20},
        {"garbage where a marker must be", dqt2, {0x12, 0x34}, dqt2},
        {"a reserved marker", dqt2, {0xFF, 0x05}, dqt2},
        {"a segment length below 2", dqt2 + 2, {0x00, 0x01}, dqt2},
        {"SOI inside the entropy data", scan, {0xFF, 0xD8}, scan},
    };
    for (const auto& c : cases)
        EXPECT_EQ(walk("JPG", patched(photo, c.at, c.bytes)), (Verdict{State::Broken, c.broken})) << c.what;
}
