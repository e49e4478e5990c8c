// Text helpers: the literal, case-sensitive search the edition and media
// rules depend on, and control characters made visible for the terminal.
// Needs nothing.
#include "util/TextHelpers.h"

#include "common/QtPrinters.h"

#include <gtest/gtest.h>

TEST(FindStr, IsLiteralAndCaseSensitiveAndEmptyIsNo)
{
    EXPECT_TRUE(Find_Str(QStringLiteral("USB Drive Tool"), QStringLiteral("Drive")));
    EXPECT_FALSE(Find_Str(QStringLiteral("USB DRIVE"), QStringLiteral("Drive")));
    EXPECT_TRUE(Find_Str(QStringLiteral("a.b*c"), QStringLiteral(".b*")));
    EXPECT_FALSE(Find_Str(QStringLiteral("anything"), QString()));
    EXPECT_FALSE(Find_Str(QString(), QStringLiteral("a")));
}

TEST(EscapeControlCharacters, MakesEveryControlVisibleAndKeepsTheRest)
{
    const struct {
        QString in;
        QString out;
    } rows[] = {
        {QStringLiteral("CARD 1"), QStringLiteral("CARD 1")},
        {QStringLiteral("a\nb\tc\rd"), QStringLiteral("a\\nb\\tc\\rd")},
        {QStringLiteral("\x1b[2J\x07"), QStringLiteral("\\x1b[2J\\x07")},
        {QString(QChar(0x7f)) + QChar(0x9b), QStringLiteral("\\x7f\\x9b")},
        {QString(QChar(0x202e)) + QStringLiteral("gpj.exe"), QStringLiteral("\\u{202e}gpj.exe")},
        {QStringLiteral("Ürlaub <b>"), QStringLiteral("Ürlaub <b>")},
    };
    for (const auto& r : rows)
        EXPECT_EQ(escapeControlCharacters(r.in), r.out) << r.in;
}
