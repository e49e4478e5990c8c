// The signature file reader: the colon rule, the "Header :" rule, the dot
// rule, CR-LF files, lines without a colon, a colon in a comment shifting
// the fields, a leftover group, and missing or non-UTF-8 files. Needs a
// temporary folder.
#include "signatures/SignatureLoader.h"
#include "signatures/SignatureTable.h"

#include <QFile>
#include <QTemporaryDir>

#include "common/QtPrinters.h"

#include <gtest/gtest.h>

namespace {
QString entry(const QString& ext, const QString& header, const QString& headerKey = QStringLiteral("Header :"))
{
    return QStringLiteral("Extension : %1\nMax Size : 1048576\n%2 %3\nPosition : 1\nReserved : 0\n"
                          "Description : A file\n")
        .arg(ext, headerKey, header);
}

// One file text and the whole table it gives (seven fields per entry:
// extension, size, header, position, reserved, description, first byte).
struct TextCase {
    const char* what;
    QString text;
    QStringList table;
};

TEST(SignatureLoader, TextGivesTheTable)
{
    const QString lf = entry(".png", "89504E47") + entry(".gif", "47494638");
    QString crlf = lf;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    ASSERT_EQ(parseSignatureText(lf).size(), 14);
    const TextCase cases[] = {
        {"one entry", entry(".jpg", "FFD8FFE0"), {"JPG", "1048576", "FFD8FFE0", "1", "0", "A file", "255"}},
        {"header case kept, first byte decoded", entry(".jpg", "ffd8ffe0"),
         {"JPG", "1048576", "ffd8ffe0", "1", "0", "A file", "255"}},
        {"no blank after the header key's colon", "E : .a\nS : 1\nHeader :4D5A\nP : 1\nX : 0\nD : d\n",
         {"A", "1", "4D5A", "1", "0", "d", "77"}},
        // Not exactly "Header :": an ordinary value line, the first byte empty.
        {"Header:", entry(".a", "4D5A", "Header:"), {"A", "1048576", "4D5A", "1", "0", "A file", ""}},
        {" Header :", entry(".a", "4D5A", " Header :"), {"A", "1048576", "4D5A", "1", "0", "A file", ""}},
        {"header :", entry(".a", "4D5A", "header :"), {"A", "1048576", "4D5A", "1", "0", "A file", ""}},
        {"the value is the text after the first colon",
         "E : .a\nS : 1\nHeader : 00\nP : 1\nX : 0\nDescription : Time 10:30 clip\n",
         {"A", "1", "00", "1", "0", "Time 10:30 clip", "0"}},
        {"short header", entry(".a", "F"), {"A", "1048576", "F", "1", "0", "A file", "0"}},
        {"empty header", entry(".a", ""), {"A", "1048576", "", "1", "0", "A file", "0"}},
        // A comment with a colon shifts the fields: the leftover is dropped,
        // and the header line still gives the first byte.
        {"comment with a colon", "Note: shifts\n" + entry(".a", "01"),
         {"shifts", "A", "1048576", "01", "1", "0", "1"}},
        {"incomplete trailing group", entry(".a", "0102") + "Extension : .b\nMax Size : 5\nHeader : 0304\n",
         {"A", "1048576", "0102", "1", "0", "A file", "1"}},
        {"CR-LF", crlf, parseSignatureText(lf)},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(parseSignatureText(c.text), c.table) << c.what;
}

TEST(SignatureLoader, LinesWithoutColonChangeNothingAndFirstBytesDoNotCarryOver)
{
    const QString text = QStringLiteral("Photo signatures\n\n") + entry(".a", "01") + QStringLiteral("-- comment --\n\n") +
                         entry(".b", "02") + QStringLiteral("\n") + entry(".c", "03", "Head :");
    const QStringList t = parseSignatureText(text);
    ASSERT_EQ(sig::entryCount(t), 3);
    EXPECT_EQ(sig::field(t, 2, sig::Extension), QStringLiteral("C"));
    EXPECT_EQ(sig::field(t, 1, sig::FirstByte), QStringLiteral("2"));
    EXPECT_EQ(sig::field(t, 2, sig::FirstByte), QString()) << "no header line: the previous entry's byte is not kept";
}

TEST(SignatureLoader, DotRule)
{
    const std::pair<const char*, const char*> cases[] = {
        {" .jpg ", "JPG"}, {".JPG", "JPG"}, {"photo.jpg", "JPG"}, {"jpg", "jpg"}, {"pic.", ""},
        {"Version 2.0 image", "0 IMAGE"}, {"a.tar.gz", "TAR.GZ"}, {"nn", "nn"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(normaliseSignatureValue(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
}

TEST(SignatureLoader, FilesMissingOrNotUtf8GiveEmptyTables)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    EXPECT_TRUE(loadSignatureFile(tmp.filePath(QStringLiteral("none.dll"))).isEmpty());
    for (const QByteArray& tail : {QByteArray(), QByteArray("\xff\xfe bad\n")}) {
        QFile f(tmp.filePath(QStringLiteral("t.dll")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(entry(".a", "01").toUtf8() + tail);
        f.close();
        EXPECT_EQ(loadSignatureFile(f.fileName()).size(), tail.isEmpty() ? 7 : 0);
    }
}
} // namespace
