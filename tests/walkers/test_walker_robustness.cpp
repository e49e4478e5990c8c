// Every walker on hostile input: random bytes fed in pieces of many sizes
// keep the rules every walker keeps (no crash under the sanitizers, a proven
// length never shrinks, a final verdict never changes, nothing is refused as
// a header after the header check's look-ahead); and each format's magic
// with random bytes behind it is refused as a header (at most the share the
// row allows passes by chance). The fuzz targets go deeper; the audio and
// video tables' headers are checked in test_media_header_checks.cpp.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;
using ostrel::walkers::kHeaderLookahead;

namespace {

void checkRules(const std::string& type, const Bytes& data, size_t piece)
{
    auto walker = ostrel::walkers::makeWalker(type);
    ASSERT_TRUE(walker) << type;
    Verdict last = walker->verdict();
    size_t fed = 0;
    for (size_t at = 0; at < data.size(); at += piece) {
        const size_t n = std::min(piece, data.size() - at);
        const Verdict v = walker->feed(data.data() + at, n);
        fed += n;
        if (last.final()) {
            ASSERT_EQ(v, last) << type << ": a final verdict changed";
        }
        if (last.state == State::Continues && v.state == State::Continues) {
            ASSERT_GE(v.offset, last.offset) << type << ": a proven length shrank";
        }
        if (v.state == State::NotFormat && !last.final()) {
            ASSERT_LE(fed - n, kHeaderLookahead) << type << ": refused as a header after the look-ahead";
        }
        ASSERT_EQ(v, walker->verdict()) << type;
        last = v;
    }
}

} // namespace

TEST(WalkerRobustness, RandomInputKeepsTheRules)
{
    for (const std::string& type : ostrel::walkers::walkerTypes()) {
        for (uint32_t seed = 1; seed <= 20; ++seed) {
            const Bytes data = randomBytes(4096 + seed * 997, seed);
            checkRules(type, data, 1 + seed * 61);
        }
    }
}

namespace {

struct Magic {
    const char* type;
    std::string magic;
    int tries;
    int maxAccepted; // chance passes the format's checkable bits allow
};

void PrintTo(const Magic& m, std::ostream* os)
{
    *os << m.type << " magic of " << m.magic.size() << " bytes";
}

Bytes bytesOf(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

const std::string kPng("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);

const Magic kMagics[] = {
    // JPEG: every JPEG header of the signature tables; a plausible segment
    // name and length pass now and then (at most 0.5%).
    {"JPG", "\xFF\xD8\xFF\xE0", 4096, 20}, {"JPG", "\xFF\xD8\xFF\xE1", 4096, 20},
    {"JPG", "\xFF\xD8\xFF\xE2", 4096, 20}, {"JPG", "\xFF\xD8\xFF\xE3", 4096, 20},
    {"JPG", "\xFF\xD8\xFF\xE8", 4096, 20}, {"JPG", "\xFF\xD8\xFF\xEC", 4096, 20},
    {"JPG", "\xFF\xD8\xFF\xED", 4096, 20}, {"JPG", "\xFF\xD8\xFF\xEE", 4096, 20},
    {"JPG", "\xFF\xD8\xFF\xFE", 4096, 20}, {"JPG", "\xFF\xD8\xFF\xDB", 4096, 20},
    {"JPG", "\xFF\xD8\xFF\xC4", 4096, 20}, {"JPG", "\xFF\xD8\xFF\xC0", 4096, 20},
    {"JPG", "\xFF\xD8\xFF", 4096, 20},
    // The header chunk's CRC alone leaves one chance in 2^32.
    {"PNG", kPng, 2000, 0}, {"PNG", kPng.substr(0, 8), 2000, 0}, {"MNG", kPng, 10, 0},
    {"MNG", std::string("\x8AMNG\r\n\x1a\n\0\0\0\x1cMHDR", 16), 2000, 0},
    // The first block of a GIF passes by chance about once in 8000.
    {"GIF", "GIF87a", 4096, 4}, {"GIF", "GIF89a", 4096, 4},
    {"TIF", std::string("II*\0\x08\0\0\0", 8), 40, 0}, {"TIF", std::string("MM\0*\0\0\0\x08", 8), 40, 0},
    {"TIF", std::string("IIRO\x08\0\0\0", 8), 40, 0},
    {"EXR", std::string("v/1\x01\x02\x10\0\0", 8), 20, 0},
    {"RAF", "FUJI", 20, 0}, {"MRW", std::string("\0MRM", 4), 20, 0}, {"X3F", "FOVb", 20, 0},
    // BZIP2 and Zstandard headers hold few checkable bits (BZIP2's 10-byte
    // magic makes a chance match impossible anyway).
    {"GZ", std::string("\x1F\x8B\x08\x00", 4), 100, 0}, {"XZ", std::string("\xFD\x37\x7A\x58\x5A\x00", 6), 100, 0},
    {"BZ2", "BZh91AY&SY", 100, 5}, {"ZST", "\x28\xB5\x2F\xFD", 100, 7}, {"LZ4", "\x04\x22\x4D\x18", 100, 0},
    {"SQLITE", std::string("SQLite format 3\0", 16), 50, 0}, {"7Z", "7z\xBC\xAF\x27\x1C", 50, 0},
    {"CAB", std::string("MSCF\0\0\0\0", 8), 50, 0}, {"EPS", "\xC5\xD0\xD3\xC6", 50, 0}, {"PST", "!BDN", 50, 0},
    {"WPD", "\xFFWPC", 50, 0},
    {"MOBI", std::string("book", 4) + std::string(56, '\0') + "BOOKMOBI", 50, 0},
    {"ZIP", "PK\x03\x04", 200, 0}, {"DOC", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 50, 0},
    {"RAR", std::string("Rar!\x1A\x07\x00", 7), 50, 0}, {"RAR", std::string("Rar!\x1A\x07\x01\x00", 8), 50, 0},
    {"RTF", "{\\rtf1\\", 50, 0},
    // Text formats: a line that looks right by chance passes rarely.
    {"VCF", "BEGIN:VCARD", 100, 3}, {"ICS", "BEGIN:VCALENDAR", 100, 3}, {"HTML", "<!DOCTYPE html", 100, 3},
    {"XML", "<?xml version=", 100, 3}, {"XML", std::string("\xFF\xFE<\0?\0x\0m\0l\0", 12), 100, 3},
    {"EML", "Received: ", 100, 3},
};

class RandomBehindTheMagic : public ::testing::TestWithParam<Magic> {};

TEST_P(RandomBehindTheMagic, IsRefusedAsAHeader)
{
    const Magic& m = GetParam();
    EXPECT_LE(acceptedRandomHeaders(m.type, bytesOf(m.magic), m.tries), m.maxAccepted);
}

INSTANTIATE_TEST_SUITE_P(Magics, RandomBehindTheMagic, ::testing::ValuesIn(kMagics),
                         [](const ::testing::TestParamInfo<Magic>& info) {
                             return std::string(info.param.type) + "_" + std::to_string(info.index);
                         });

} // namespace
