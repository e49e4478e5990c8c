// Hexadecimal decoders and the leading-number reading of signature fields:
// only the first character counts, eight digits wrap into 32 bits, and
// numbers too long for 64 bits saturate. Needs nothing.
#include "signatures/HexDecode.h"

#include "common/QtPrinters.h"

#include <gtest/gtest.h>

#include <limits>

TEST(HexDecode, DigitsPairsAndLeadingNumbers)
{
    EXPECT_EQ(hex2dec(QStringLiteral("f")), 15);
    EXPECT_EQ(hex2dec(QStringLiteral("G")), 0);
    EXPECT_EQ(hex2dec(QStringLiteral("F0")), 15) << "only the first character counts";
    EXPECT_EQ(hex2int(QStringLiteral("d8")), 216);
    EXPECT_EQ(hex2int(QStringLiteral("G1")), 1);
    EXPECT_EQ(hex2int(QStringLiteral("7FFFFFFF")), std::numeric_limits<int>::max());
    EXPECT_EQ(hex2int(QStringLiteral("FFFFFFFF")), -1) << "eight digits fill 32 bits";
    EXPECT_EQ(leadingDecimal(QStringLiteral(" 12abc")), 12);
    EXPECT_EQ(leadingDecimal(QStringLiteral("abc")), 0);
    EXPECT_EQ(leadingDecimal(QStringLiteral("-1")), -1);
    EXPECT_EQ(leadingDecimal(QStringLiteral("99999999999999999999999")), std::numeric_limits<qint64>::max());
    // 2^64: the first 19 digits fit, the last one overflows 64 bits.
    EXPECT_EQ(leadingDecimal(QStringLiteral("18446744073709551616")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(leadingDecimal(QStringLiteral("-99999999999999999999999")), std::numeric_limits<qint64>::min());
}
