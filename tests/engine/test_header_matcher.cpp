// Header recognition in one sector: the fast matcher against the rules
// written out the slow way on random sectors and tables (position kinds,
// table order, partial matches), plus the cases random tables never make:
// the bounds at the end of the sector and malformed entries. Needs nothing.
#include "EngineTestSupport.h"
#include "engine/HeaderMatcher.h"

#include <gtest/gtest.h>

#include <random>

using ostrel::HeaderMatcher;

namespace {
QByteArray sectorWith(const QByteArray& data, int offset, char fill = '\x00')
{
    QByteArray s(512, fill);
    s.replace(offset, data.size(), data);
    return s;
}

int matchOf(const QStringList& t, const QByteArray& sector)
{
    return HeaderMatcher(t).match(reinterpret_cast<const unsigned char*>(sector.constData()));
}
} // namespace

TEST(HeaderMatcher, NumericPositionIsOneBasedWithItsBound)
{
    const QStringList t = table(sigEntry("MP4", 100, "66747970", "5"));
    EXPECT_EQ(matchOf(t, sectorWith(hex("66747970"), 4)), 0);
    EXPECT_EQ(matchOf(t, sectorWith(hex("66747970"), 3)), -1);
    EXPECT_EQ(matchOf(t, sectorWith(hex("66747970"), 5)), -1);

    const QByteArray six = hex("AABBCCDDEEFF");
    // Start 506 (position 507): the last start tried, header fits.
    EXPECT_EQ(matchOf(table(sigEntry("X", 1, "AABBCCDDEEFF", "507")), sectorWith(six, 506)), 0);
    // Position 508: start 507 is beyond the bound even when the bytes are there.
    EXPECT_EQ(matchOf(table(sigEntry("X", 1, "AABB", "508")), sectorWith(hex("AABB"), 507)), -1);
    // Position 507 with a header that would pass byte 511.
    EXPECT_EQ(matchOf(table(sigEntry("X", 1, "AABBCCDDEEFF0011", "507")), sectorWith(six, 506)), -1);
    // Position 0 and non-numbers never match.
    EXPECT_EQ(matchOf(table(sigEntry("X", 1, "AABB", "0")), sectorWith(hex("AABB"), 0)), -1);
    EXPECT_EQ(matchOf(table(sigEntry("X", 1, "AABB", "first")), sectorWith(hex("AABB"), 0)), -1);
}

TEST(HeaderMatcher, MalformedEntriesNeverMatch)
{
    // Empty header, and one digit (no whole byte).
    EXPECT_EQ(matchOf(table(sigEntry("X", 1, "", "1")), QByteArray(512, '\0')), -1);
    EXPECT_EQ(matchOf(table(sigEntry("X", 1, "0", "nn")), QByteArray(512, '\0')), -1);
    // An entry without a header line has first byte 0: it can only match a
    // header that starts with 00, and its header here does not.
    QStringList t = table(QStringLiteral("E : .x\nS : 1\nHead : 4142\nP : 1\nR : 0\nD : d\n"));
    EXPECT_EQ(matchOf(t, sectorWith(hex("4142"), 0)), -1);
    // An odd digit at the end is ignored: "FFD" is the one byte FF; lower-case
    // digits decode the same.
    EXPECT_EQ(matchOf(table(sigEntry("X", 1, "FFD", "1")), sectorWith(hex("FF00"), 0)), 0);
    EXPECT_EQ(matchOf(table(sigEntry("JPG", 100, "ffd8ff", "1")), sectorWith(hex("FFD8FF"), 0)), 0);
}

namespace {
// The matching rules written out the slow way, straight from their
// definition, to check the fast matcher (decoded headers, quick rejection,
// memchr walk) against.
int referenceMatch(const QStringList& t, const unsigned char* sector)
{
    for (qsizetype k = 0; k < t.size() / 7; ++k) {
        const QString hexText = t.at(7 * k + 2);
        const QString pos = t.at(7 * k + 3);
        const int n = static_cast<int>(hexText.size() / 2);
        const int F = t.at(7 * k + 6).toInt();
        if (n == 0)
            continue;
        int p, L;
        const bool anywhere = pos == "nn";
        if (pos == "1") {
            p = 0;
            L = n;
        } else if (anywhere) {
            p = 0;
            L = 512;
        } else {
            p = pos.toInt() - 1;
            L = p + n;
        }
        bool matched = false;
        while (p < L) {
            if (!anywhere && pos != "1" && (p > 506 || p < 0))
                break;
            if (sector[p] != F) {
                if (anywhere) {
                    ++p;
                    continue;
                }
                break;
            }
            int m = 0;
            while (m < n && p + m < 512 && sector[p + m] == hexText.mid(2 * m, 2).toInt(nullptr, 16))
                ++m;
            if (m == n) {
                matched = true;
                break;
            }
            if (!anywhere)
                break;
            p += m > 0 ? m : 1;
        }
        if (matched)
            return static_cast<int>(k);
    }
    return -1;
}
} // namespace

TEST(HeaderMatcher, AgreesWithTheRulesOnRandomSectors)
{
    // Small alphabets make partial matches, overlaps and near-misses common.
    std::mt19937 rng(12345);
    auto byte = [&](int alphabet) { return static_cast<unsigned char>(0x41 + rng() % alphabet); };
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int entries = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < entries; ++e) {
            QByteArray h;
            const int len = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < len; ++i)
                h.append(static_cast<char>(byte(3)));
            const int kind = static_cast<int>(rng() % 3);
            const QString pos = kind == 0 ? QStringLiteral("1") : kind == 1 ? QStringLiteral("nn")
                                                                           : QString::number(1 + rng() % 512);
            text += sigEntry(QStringLiteral("T%1").arg(e), 512, QString::fromLatin1(h.toHex()), pos);
        }
        const QStringList t = table(text);
        const HeaderMatcher matcher(t);
        for (int s = 0; s < 40; ++s) {
            unsigned char sector[512];
            for (unsigned char& b : sector)
                b = (rng() % 4 == 0) ? 0 : byte(3);
            ASSERT_EQ(matcher.match(sector), referenceMatch(t, sector)) << "round " << round << " table\n"
                                                                      << text.toStdString();
        }
    }
}
