// How the carving passes use a format walker, with a scripted format "LEN!"
// whose header gives the file's whole length (4 bytes, little-endian) and a
// type code: files end exactly where the format says, a header inside a file
// that goes on past it does not cut it (the inner file is dropped only when
// the outer one ends whole around it), refused headers start nothing, a
// proven length beats the size limit, a group keeps the member its content
// shows, a proven type moves the file, and the thorough pass skips what the
// general pass found. The shipped walkers have their own tests.
#include "EngineTestSupport.h"
#include "engine/SearchRun.h"

namespace {

using walkers::State;
using walkers::Verdict;

// Header "LEN!", length (uint32 LE; 0 = not this format, 0xFFFFFFFF = no
// proof), one type code byte: D -> DOCX, N -> NEF, E -> none, but the
// file's structure holds every header inside it; else none.
class LengthWalker : public walkers::FormatWalker {
public:
    Verdict feed(const uint8_t* data, size_t size) override
    {
        for (size_t i = 0; i < size && !verdict_.final(); ++i, ++fed_) {
            if (fed_ < 9)
                head_[fed_] = data[i];
            if (fed_ == 8) {
                const uint32_t length = head_[4] | head_[5] << 8 | head_[6] << 16 | uint32_t(head_[7]) << 24;
                if (length == 0)
                    verdict_ = Verdict{State::NotFormat, 0};
                else if (length != 0xFFFFFFFFu)
                    verdict_ = Verdict{State::Continues, length};
            }
        }
        if (verdict_.state == State::Continues && fed_ >= verdict_.offset)
            verdict_ = Verdict{State::Ends, verdict_.offset};
        return verdict_;
    }
    Verdict verdict() const override { return verdict_; }
    bool embeds(uint64_t) const override { return head_[8] == 'E'; }
    std::string provenType() const override
    {
        return head_[8] == 'D' ? "DOCX" : head_[8] == 'N' ? "NEF" : "";
    }

private:
    uint8_t head_[9] = {};
    uint64_t fed_ = 0;
    Verdict verdict_;
};

QByteArray lenHeader(quint32 length, char type = 'E')
{
    QByteArray h("LEN!");
    for (int i = 0; i < 4; ++i)
        h.append(static_cast<char>((length >> (8 * i)) & 0xff));
    h.append(type);
    return h;
}

const QString kLen = QStringLiteral("4C454E21");

class FormatEndsTest : public CarveTest {
protected:
    void SetUp() override
    {
        CarveTest::SetUp();
        options.walkerFor = [](const QString&) { return std::make_unique<LengthWalker>(); };
    }

    // An image of `sectors` sectors of non-zero filler.
    static Image filled(int sectors)
    {
        Image img(sectors);
        img.fill(0, sectors);
        return img;
    }

    QList<int> listedSizes() const
    {
        QList<int> sizes;
        for (const ListedFile& f : host.listed)
            sizes << readAll(f.path).size();
        return sizes;
    }
};

} // namespace

TEST_F(FormatEndsTest, OneFileEndsWhereItsFormatSays)
{
    struct Case {
        const char* what;
        quint32 length;     // from the header
        quint64 maxSize;    // the entry's limit
        int imageSectors;
        int expected;       // bytes written
    } cases[] = {
        {"ends inside a sector", 1300, 1 << 20, 12, 1300},
        {"ends on a sector boundary", 1024, 1 << 20, 12, 1024},
        {"a proven length beats the size limit", 4000, 1024, 12, 4000},
        {"cut by the end of the range, never padded", 9000, 1 << 20, 12, 12 * 512},
        {"no proof: the size limit", 0xFFFFFFFFu, 1000, 12, 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.listed.clear();
        Image img = filled(c.imageSectors);
        img.put(0, lenHeader(c.length));
        useImage(img);
        EXPECT_TRUE(pass(0, table(sigEntry("LEN", c.maxSize, kLen, "1"))));
        ASSERT_EQ(host.listed.size(), 1u);
        EXPECT_EQ(readAll(host.listed[0].path), img.bytes.left(c.expected));
    }
}

TEST_F(FormatEndsTest, InnerHeadersAndTheFilesAroundThem)
{
    struct Case {
        const char* what;
        quint32 outerLength;
        int innerSector;
        quint32 innerLength;
        QList<int> sizes; // of the listed files, in listing order
        char outerType = 'E';
    } cases[] = {
        {"held by a file that ends whole around it: one file", 10 * 512, 3, 1024, {10 * 512}},
        {"held and ending in the outer file's last sector: one file", 10 * 512, 3, 7 * 512 - 100, {10 * 512}},
        {"inside a payload the file does not account for: both kept", 10 * 512, 3, 1024, {1024, 10 * 512}, 0},
        {"reaching past the outer file's end: both kept", 5 * 512, 3, 6 * 512, {5 * 512, 6 * 512}},
        {"the outer file has no proof: cut before the header", 0xFFFFFFFFu, 4, 1024, {4 * 512, 1024}},
        {"refused header inside a file with no proof: no cut", 0xFFFFFFFFu, 4, 0, {16 * 512}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.listed.clear();
        Image img = filled(16);
        img.put(0, lenHeader(c.outerLength, c.outerType));
        img.put(c.innerSector, lenHeader(c.innerLength));
        useImage(img);
        EXPECT_TRUE(pass(0, table(sigEntry("LEN", 1 << 20, kLen, "1"))));
        EXPECT_EQ(listedSizes(), c.sizes);
    }
}

TEST_F(FormatEndsTest, InnerFileIsKeptWhenTheOuterOneBreaksOff)
{
    // The outer file claims 20 sectors but the range ends after 12: it did
    // not end whole, so the file found inside it is kept.
    Image img = filled(12);
    img.put(0, lenHeader(20 * 512));
    img.put(4, lenHeader(1024));
    useImage(img);
    EXPECT_TRUE(pass(0, table(sigEntry("LEN", 1 << 20, kLen, "1"))));
    EXPECT_EQ(listedSizes(), (QList<int>{1024, 12 * 512}));
}

TEST_F(FormatEndsTest, ContentChoosesTheGroupMemberOrMovesTheFile)
{
    Image img = filled(8);
    img.put(0, lenHeader(700, 'D'));
    img.put(4, lenHeader(600, 'N'));
    useImage(img);
    const QStringList group =
        table(sigEntry("ZIP", 1 << 20, kLen, "1") + sigEntry("DOCX", 1 << 20, kLen, "1") + sigEntry("XLSX", 1 << 20, kLen, "1"));
    EXPECT_TRUE(pass(2, group));
    EXPECT_EQ(filesUnder(passRoot(2)), (QStringList{"DOCX/DOCX00001.DOCX", "NEF/NEF00001.NEF"}));
    ASSERT_EQ(host.listed.size(), 2u);
    EXPECT_EQ(host.listed[1].name, QStringLiteral("NEF00001.NEF"));
    EXPECT_EQ(readAll(host.listed[1].path), img.bytes.mid(4 * 512, 600));

    // Photo mode keeps the pass ordinal and changes folder and extension.
    host.listed.clear();
    EXPECT_TRUE(pass(0, table(sigEntry("TIF", 1 << 20, kLen, "1"))));
    EXPECT_EQ(filesUnder(passRoot(0)), (QStringList{"DOCX/GND00001.DOCX", "NEF/GND00002.NEF"}));
    EXPECT_EQ(host.listed[1].uid, QStringLiteral("GND00002.NEF"));
}

TEST_F(FormatEndsTest, ThoroughPassCarvesOnlyWhatTheGeneralPassMissed)
{
    // A file of one sector, then one of ten holding a third that ends
    // before it (files end in another order than they start).
    Image img = filled(24);
    img.put(0, lenHeader(512));
    img.put(2, lenHeader(10 * 512));
    img.put(8, lenHeader(512));
    img.put(5, hex("ABCDEF01")); // thorough-only header inside the whole file
    img.put(14, hex("ABCDEF01")); // ... and one outside it
    useImage(img);
    host.settings.thorough = true;
    const QStringList general = table(sigEntry("LEN", 1 << 20, kLen, "1"));
    const QStringList thorough = general + table(sigEntry("ODD", 1024, "ABCDEF01", "1"));
    SearchRun run(host, state, RunSetup{2, general, thorough, kResults}, options);
    run.runWorker();
    EXPECT_EQ(filesUnder(dest.filePath(kResults + "/File Search")),
              (QStringList{"General Recovery Results/LEN/LEN00001.LEN", "General Recovery Results/LEN/LEN00002.LEN",
                           "Omitted (recovered by Thorough Scan)/ODD/ODD00001.ODD"}));
}

TEST_F(FormatEndsTest, PlainCarvingIgnoresTheFormat)
{
    Image img = filled(16);
    img.put(0, lenHeader(10 * 512));
    img.put(3, lenHeader(1024));
    img.put(8, lenHeader(0));
    useImage(img);
    host.settings.cutAtNextHeader = true;
    EXPECT_TRUE(pass(0, table(sigEntry("LEN", 1 << 20, kLen, "1"))));
    EXPECT_EQ(listedSizes(), (QList<int>{4 * 512, 6 * 512, 8 * 512}));
}
