// The signature file reader: the colon rule, the "Header :" rule, the dot
// rule, CR-LF files, malformed and non-UTF-8 files. Needs a temporary folder.
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
} // namespace

TEST(SignatureLoader, OneEntryGivesSevenFieldsInOrder)
{
    const QStringList t = parseSignatureText(entry(QStringLiteral(".jpg"), QStringLiteral("FFD8FFE0")));
    ASSERT_EQ(t.size(), 7);
    EXPECT_EQ(t, (QStringList{"JPG", "1048576", "FFD8FFE0", "1", "0", "A file", "255"}));
}

TEST(SignatureLoader, HeaderCaseIsKeptAndFirstByteDecoded)
{
    const QStringList t = parseSignatureText(entry(QStringLiteral(".jpg"), QStringLiteral("ffd8ffe0")));
    ASSERT_EQ(t.size(), 7);
    EXPECT_EQ(sig::field(t, 0, sig::HeaderHex), QStringLiteral("ffd8ffe0"));
    EXPECT_EQ(sig::field(t, 0, sig::FirstByte), QStringLiteral("255"));
}

TEST(SignatureLoader, HeaderLineNeedsExactKey)
{
    // No blank after the colon: still the header line.
    QStringList t = parseSignatureText(QStringLiteral("E : .a\nS : 1\nHeader :4D5A\nP : 1\nX : 0\nD : d\n"));
    ASSERT_EQ(t.size(), 7);
    EXPECT_EQ(sig::field(t, 0, sig::FirstByte), QStringLiteral("77"));
    EXPECT_EQ(sig::field(t, 0, sig::HeaderHex), QStringLiteral("4D5A"));

    // No blank before the colon, a blank in front, or another case: an
    // ordinary value line, so the first byte stays empty.
    for (const char* key : {"Header:", " Header :", "header :", "HEADER :"}) {
        t = parseSignatureText(entry(QStringLiteral(".a"), QStringLiteral("4D5A"), QString::fromLatin1(key)));
        ASSERT_EQ(t.size(), 7) << key;
        EXPECT_EQ(sig::field(t, 0, sig::HeaderHex), QStringLiteral("4D5A")) << key;
        EXPECT_EQ(sig::field(t, 0, sig::FirstByte), QString()) << key;
    }
}

TEST(SignatureLoader, DotRule)
{
    EXPECT_EQ(normaliseSignatureValue(QStringLiteral(" .jpg ")), QStringLiteral("JPG"));
    EXPECT_EQ(normaliseSignatureValue(QStringLiteral(".JPG")), QStringLiteral("JPG"));
    EXPECT_EQ(normaliseSignatureValue(QStringLiteral("photo.jpg")), QStringLiteral("JPG"));
    EXPECT_EQ(normaliseSignatureValue(QStringLiteral("jpg")), QStringLiteral("jpg"));
    EXPECT_EQ(normaliseSignatureValue(QStringLiteral("pic.")), QString());
    EXPECT_EQ(normaliseSignatureValue(QStringLiteral("Version 2.0 image")), QStringLiteral("0 IMAGE"));
    EXPECT_EQ(normaliseSignatureValue(QStringLiteral("a.tar.gz")), QStringLiteral("TAR.GZ"));
    EXPECT_EQ(normaliseSignatureValue(QStringLiteral("nn")), QStringLiteral("nn"));
}

TEST(SignatureLoader, ValueIsTextAfterTheFirstColon)
{
    const QStringList t = parseSignatureText(
        QStringLiteral("E : .a\nS : 1\nHeader : 00\nP : 1\nX : 0\nDescription : Time 10:30 clip\n"));
    ASSERT_EQ(t.size(), 7);
    EXPECT_EQ(sig::field(t, 0, sig::Description), QStringLiteral("Time 10:30 clip"));
}

TEST(SignatureLoader, CrLfGivesTheSameTable)
{
    const QString lf = entry(QStringLiteral(".png"), QStringLiteral("89504E47")) +
                       entry(QStringLiteral(".gif"), QStringLiteral("47494638"));
    QString crlf = lf;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    EXPECT_EQ(parseSignatureText(crlf), parseSignatureText(lf));
    EXPECT_EQ(parseSignatureText(crlf).size(), 14);
}

TEST(SignatureLoader, LinesWithoutColonChangeNothing)
{
    const QString text = QStringLiteral("Photo signatures\n\n") + entry(QStringLiteral(".a"), QStringLiteral("01")) +
                         QStringLiteral("-- comment --\n\n") + entry(QStringLiteral(".b"), QStringLiteral("02")) +
                         QStringLiteral("\n") + entry(QStringLiteral(".c"), QStringLiteral("03"));
    const QStringList t = parseSignatureText(text);
    ASSERT_EQ(t.size(), 21);
    EXPECT_EQ(sig::entryCount(t), 3);
    EXPECT_EQ(sig::field(t, 2, sig::Extension), QStringLiteral("C"));
    EXPECT_EQ(sig::field(t, 2, sig::FirstByte), QStringLiteral("3"));
}

TEST(SignatureLoader, CommentWithColonShiftsFields)
{
    const QString text = QStringLiteral("Note: shifts\n") + entry(QStringLiteral(".a"), QStringLiteral("01"));
    const QStringList t = parseSignatureText(text);
    // Seven value lines: one whole entry (shifted) and one dropped leftover.
    ASSERT_EQ(t.size(), 7);
    EXPECT_EQ(sig::field(t, 0, sig::Extension), QStringLiteral("shifts"));
    EXPECT_EQ(sig::field(t, 0, sig::MaxSize), QStringLiteral("A")) << "the extension line landed in field 1";
    EXPECT_EQ(sig::field(t, 0, sig::HeaderHex), QStringLiteral("1048576"));
    EXPECT_EQ(sig::field(t, 0, sig::HeaderPosition), QStringLiteral("01"));
    EXPECT_EQ(sig::field(t, 0, sig::FirstByte), QStringLiteral("1")) << "the header line still gives the first byte";
}

TEST(SignatureLoader, IncompleteTrailingGroupIsDropped)
{
    const QString text = entry(QStringLiteral(".a"), QStringLiteral("0102")) +
                         QStringLiteral("Extension : .b\nMax Size : 5\nHeader : 0304\n");
    const QStringList t = parseSignatureText(text);
    EXPECT_EQ(t.size(), 7);
    EXPECT_EQ(sig::field(t, 0, sig::Extension), QStringLiteral("A"));
    // Completing the group makes it whole; the first byte of one entry never
    // carries over into the next entry, which has no header line.
    const QStringList again = parseSignatureText(text + QStringLiteral("P : 1\nX : 0\nD : d\n") +
                                                 entry(QStringLiteral(".c"), QStringLiteral("05"), QStringLiteral("Head :")));
    ASSERT_EQ(again.size(), 21);
    EXPECT_EQ(sig::field(again, 1, sig::FirstByte), QStringLiteral("3"));
    EXPECT_EQ(sig::field(again, 2, sig::FirstByte), QString());
}

TEST(SignatureLoader, ShortOrEmptyHeaderGivesFirstByteZero)
{
    QStringList t = parseSignatureText(entry(QStringLiteral(".a"), QStringLiteral("F")));
    ASSERT_EQ(t.size(), 7);
    EXPECT_EQ(sig::field(t, 0, sig::FirstByte), QStringLiteral("0"));
    t = parseSignatureText(entry(QStringLiteral(".a"), QString()));
    ASSERT_EQ(t.size(), 7);
    EXPECT_EQ(sig::field(t, 0, sig::FirstByte), QStringLiteral("0"));
    EXPECT_EQ(sig::field(t, 0, sig::HeaderHex), QString());
}

TEST(SignatureLoader, FilesMissingOrNotUtf8GiveEmptyTables)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    EXPECT_TRUE(loadSignatureFile(tmp.filePath(QStringLiteral("none.dll"))).isEmpty());

    const QString bad = tmp.filePath(QStringLiteral("bad.dll"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray bytes = entry(QStringLiteral(".a"), QStringLiteral("01")).toUtf8();
    bytes.append("\xff\xfe bad\n");
    f.write(bytes);
    f.close();
    EXPECT_TRUE(loadSignatureFile(bad).isEmpty());

    const QString good = tmp.filePath(QStringLiteral("good.dll"));
    QFile g(good);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(entry(QStringLiteral(".jpg"), QStringLiteral("FFD8FF")).toUtf8());
    g.close();
    EXPECT_EQ(loadSignatureFile(good).size(), 7);
}
