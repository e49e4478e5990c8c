#include "signatures/SignatureLoader.h"

#include "signatures/HexDecode.h"
#include "signatures/SignatureTable.h"
#include "util/TextHelpers.h"

#include <QFile>
#include <QStringDecoder>

namespace {
const QString kHeaderKey = QStringLiteral("Header :");
constexpr int kValuesPerEntry = 6;
} // namespace

QString normaliseSignatureValue(const QString& rawValue)
{
    const QString trimmed = Trim_Str(rawValue);
    const qsizetype dot = trimmed.indexOf(u'.');
    if (dot < 0)
        return trimmed;
    return trimmed.mid(dot + 1).toUpper();
}

QStringList parseSignatureText(const QString& text)
{
    QStringList table;
    int valueCount = 0;
    QString pendingFirstByte;
    const QStringList lines = text.split(u'\n');
    for (const QString& line : lines) {
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            continue;
        const QString value = line.mid(colon + 1);
        if (QStringView(line).left(colon + 1) == kHeaderKey) {
            const QString digits = Trim_Str(value);
            // Too short to hold a byte: "0" keeps every consumer's number
            // conversion well defined; such a header never matches anyway.
            pendingFirstByte = digits.size() < 2 ? QStringLiteral("0")
                                                 : QString::number(hex2int(digits.left(2)));
        }
        table.append(normaliseSignatureValue(value));
        if (++valueCount == kValuesPerEntry) {
            table.append(pendingFirstByte);
            pendingFirstByte.clear();
            valueCount = 0;
        }
    }
    // An incomplete group at the end would leave fewer than seven elements;
    // dropping it keeps every walk in steps of seven inside the table.
    table.resize(table.size() - valueCount);
    return table;
}

QStringList parseSignatureBytes(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    return parseSignatureText(text);
}

QStringList loadSignatureFile(const QString& path, QString* problem)
{
    QString why;
    QStringList table;
    QFile file(path);
    if (!file.exists()) {
        why = QStringLiteral("is missing");
    } else if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("cannot be read (%1)").arg(file.errorString());
    } else {
        const QByteArray bytes = file.readAll();
        table = parseSignatureBytes(bytes);
        if (file.error() != QFileDevice::NoError)
            why = QStringLiteral("cannot be read (%1)").arg(file.errorString());
        else if (table.isEmpty())
            why = QStringLiteral("holds no file signatures");
    }
    if (problem)
        *problem = why.isEmpty() ? QString() : QStringLiteral("The signature file %1 %2.").arg(path, why);
    return table;
}
