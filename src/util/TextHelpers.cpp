#include "util/TextHelpers.h"

QString Trim_Str(const QString& text)
{
    return text.trimmed();
}

QString Replace_char_in_string(const QString& text, const QString& pattern, const QString& replacement)
{
    if (pattern.isEmpty())
        return text;
    QString result = text;
    return result.replace(pattern, replacement, Qt::CaseSensitive);
}

bool Find_Str(const QString& text, const QString& part)
{
    if (text.isNull() || part.isEmpty())
        return false;
    return text.contains(part, Qt::CaseSensitive);
}

void Show_NSLog_Message(const QString& text)
{
    (void)text;
}

QString escapeControlCharacters(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n')
            out += QLatin1String("\\n");
        else if (u == u'\r')
            out += QLatin1String("\\r");
        else if (u == u'\t')
            out += QLatin1String("\\t");
        else if (u < 0x20 || (u >= 0x7f && u <= 0x9f))
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else if ((u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069))
            out += QStringLiteral("\\u{%1}").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}
