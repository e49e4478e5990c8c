// Hexadecimal decoders and the leading-number reading of signature fields.
#include "signatures/HexDecode.h"

#include "common/QtPrinters.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Hex2Dec, DigitsAndEverythingElse)
{
    EXPECT_EQ(hex2dec(QStringLiteral("0")), 0);
    EXPECT_EQ(hex2dec(QStringLiteral("9")), 9);
    EXPECT_EQ(hex2dec(QStringLiteral("A")), 10);
    EXPECT_EQ(hex2dec(QStringLiteral("f")), 15);
    EXPECT_EQ(hex2dec(QStringLiteral("x")), 0);
    EXPECT_EQ(hex2dec(QStringLiteral("G")), 0);
    EXPECT_EQ(hex2dec(QString()), 0);
    EXPECT_EQ(hex2dec(QStringLiteral("F0")), 15) << "only the first character counts";
}

TEST(Hex2Int, PairsAndOddInputs)
{
    EXPECT_EQ(hex2int(QStringLiteral("FF")), 255);
    EXPECT_EQ(hex2int(QStringLiteral("ff")), 255);
    EXPECT_EQ(hex2int(QStringLiteral("0a")), 10);
    EXPECT_EQ(hex2int(QStringLiteral("G1")), 1);
    EXPECT_EQ(hex2int(QString()), 0);
    EXPECT_EQ(hex2int(QStringLiteral("D8")), 216);
    EXPECT_EQ(hex2int(QStringLiteral("7FFFFFFF")), std::numeric_limits<int>::max());
    EXPECT_EQ(hex2int(QStringLiteral("FFFFFFFF")), -1) << "eight digits fill 32 bits";
}

TEST(LeadingDecimal, ReadsLikeTheFieldConversions)
{
    EXPECT_EQ(leadingDecimal(QStringLiteral("52428800")), 52428800);
    EXPECT_EQ(leadingDecimal(QStringLiteral("12abc")), 12);
    EXPECT_EQ(leadingDecimal(QStringLiteral("abc")), 0);
    EXPECT_EQ(leadingDecimal(QString()), 0);
    EXPECT_EQ(leadingDecimal(QStringLiteral("-1")), -1);
    EXPECT_EQ(leadingDecimal(QStringLiteral(" 7")), 7);
    EXPECT_EQ(leadingDecimal(QStringLiteral("99999999999999999999999")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(leadingDecimal(QStringLiteral("-99999999999999999999999")), std::numeric_limits<qint64>::min());
}
