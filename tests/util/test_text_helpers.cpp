// Text helpers: trimming (including Unicode separators), literal search and
// replace, and the left/right cuts with their bounds. Needs nothing.
#include "util/TextHelpers.h"

#include "common/QtPrinters.h"

#include <gtest/gtest.h>

TEST(TrimStr, RemovesBlanksTabsAndLineEndsFromBothEnds)
{
    EXPECT_EQ(Trim_Str(QStringLiteral("  x \r\n")), QStringLiteral("x"));
    EXPECT_EQ(Trim_Str(QStringLiteral("\t a b \t")), QStringLiteral("a b"));
    EXPECT_EQ(Trim_Str(QStringLiteral(" \r\n\t ")), QString());
    EXPECT_EQ(Trim_Str(QString()), QString());
}

TEST(TrimStr, RemovesUnicodeSpaceAndLineSeparators)
{
    const QString text = QString(QChar(0x2028)) + QChar(0x00A0) + QStringLiteral("Card") + QChar(0x2029) +
                         QChar(0x3000);
    EXPECT_EQ(Trim_Str(text), QStringLiteral("Card"));
}

TEST(FindStr, IsLiteralAndCaseSensitive)
{
    EXPECT_TRUE(Find_Str(QStringLiteral("USB Drive Tool"), QStringLiteral("Drive")));
    EXPECT_FALSE(Find_Str(QStringLiteral("USB DRIVE"), QStringLiteral("Drive")));
    EXPECT_FALSE(Find_Str(QStringLiteral("usb drive"), QStringLiteral("Drive")));
    EXPECT_TRUE(Find_Str(QStringLiteral("a.b*c"), QStringLiteral(".b*")));
}

TEST(FindStr, EmptyPartOrAbsentTextIsNo)
{
    EXPECT_FALSE(Find_Str(QStringLiteral("anything"), QString()));
    EXPECT_FALSE(Find_Str(QStringLiteral("anything"), QStringLiteral("")));
    EXPECT_FALSE(Find_Str(QString(), QStringLiteral("a")));
}

TEST(ReplaceCharInString, ReplacesEveryOccurrenceWithoutOverlap)
{
    EXPECT_EQ(Replace_char_in_string(QStringLiteral("a b c"), QStringLiteral(" "), QStringLiteral("%20")),
              QStringLiteral("a%20b%20c"));
    EXPECT_EQ(Replace_char_in_string(QStringLiteral("aaaa"), QStringLiteral("aa"), QStringLiteral("b")),
              QStringLiteral("bb"));
    EXPECT_EQ(Replace_char_in_string(QStringLiteral("aaa"), QStringLiteral("aa"), QStringLiteral("b")),
              QStringLiteral("ba"));
    EXPECT_EQ(Replace_char_in_string(QStringLiteral("Abc"), QStringLiteral("a"), QStringLiteral("x")),
              QStringLiteral("Abc"));
    EXPECT_EQ(Replace_char_in_string(QStringLiteral("abc"), QString(), QStringLiteral("x")),
              QStringLiteral("abc"));
}

TEST(LeftRightSubstring, BoundsFollowTheCount)
{
    const QString abc = QStringLiteral("abc");
    EXPECT_EQ(Left_Str_substringToIndex(abc, 2), QStringLiteral("ab"));
    EXPECT_EQ(Left_Str_substringToIndex(abc, 5), abc);
    EXPECT_EQ(Left_Str_substringToIndex(abc, 3), abc);
    EXPECT_EQ(Left_Str_substringToIndex(abc, 0), QString());
    EXPECT_EQ(Left_Str_substringToIndex(abc, -1), QString());
    EXPECT_EQ(Right_Str_substringFromIndex(abc, 2), QStringLiteral("bc"));
    EXPECT_EQ(Right_Str_substringFromIndex(abc, 3), abc);
    EXPECT_EQ(Right_Str_substringFromIndex(abc, 9), abc);
    EXPECT_EQ(Right_Str_substringFromIndex(abc, 0), QString());
    EXPECT_EQ(Right_Str_substringFromIndex(abc, -4), QString());
}

TEST(LeftRightSubstring, CountsUtf16CodeUnits)
{
    // U+1F4F7 (camera) is two UTF-16 code units.
    const QString text = QString::fromUtf8("\xF0\x9F\x93\xB7x");
    ASSERT_EQ(text.size(), 3);
    EXPECT_EQ(Right_Str_substringFromIndex(text, 1), QStringLiteral("x"));
    EXPECT_EQ(Left_Str_substringToIndex(text, 2).size(), 2);
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
