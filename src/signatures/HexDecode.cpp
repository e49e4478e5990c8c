#include "signatures/HexDecode.h"

#include <limits>

int hex2dec(const QString& digit)
{
    if (digit.isEmpty())
        return 0;
    const char16_t c = digit.at(0).unicode();
    if (c >= u'1' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return 0;
}

int hex2int(const QString& digits)
{
    quint32 value = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        value = value * 16u + static_cast<quint32>(hex2dec(digits.mid(i, 1)));
    return static_cast<int>(value);
}

qint64 leadingDecimal(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    quint64 magnitude = 0;
    bool saturated = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        const quint64 digit = c - u'0';
        if (magnitude > (std::numeric_limits<quint64>::max() - digit) / 10) {
            saturated = true;
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    const quint64 limit = static_cast<quint64>(std::numeric_limits<qint64>::max());
    if (negative)
        return (saturated || magnitude > limit) ? std::numeric_limits<qint64>::min()
                                                : -static_cast<qint64>(magnitude);
    return (saturated || magnitude > limit) ? std::numeric_limits<qint64>::max()
                                            : static_cast<qint64>(magnitude);
}
