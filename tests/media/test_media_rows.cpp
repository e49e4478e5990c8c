// The pure row step of the media list: getMPSize's exact texts (units step
// only above 1024, single-precision float arithmetic, two blanks before the
// larger units, the trailing blank), the exclusion rules of rowFromDiskInfo,
// "Untitled", the 512-byte sector count and the aligned text table. Needs nothing but the library.
#include "media/MediaPrinters.h"
#include "media/MediaList.h"
#include "media/MediaRows.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {
struct SizeCase {
    const char* bytes;
    const char* text;
};

class MPSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(MPSize, GivesExactText)
{
    EXPECT_EQ(getMPSize(QString::fromLatin1(GetParam().bytes)), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, MPSize,
    ::testing::Values(SizeCase{"1024", "1024.00 bytes "}, // no step at exactly 1024
                      SizeCase{"1025", "1.00  KB "}, SizeCase{"1048577", "1.00  MB "},
                      SizeCase{"31003246592", "28.87  GB "}, SizeCase{"2000398934016", "1.82  TB "},
                      // "%.2f" rounds the exact binary value: 1.125 KB is a tie, to the even digit.
                      SizeCase{"1152", "1.12  KB "},
                      SizeCase{"2251799813685248", "2048.00  TB "}, // beyond TB it grows in TB
                      SizeCase{"abc", "0.00 bytes "}));

// In float, 1073741825 rounds to 2^30 exactly, so it stays at 1024 MB; double
// arithmetic would step up to "1.00  GB ".
TEST(MPSizeFloat, RoundsLikeSinglePrecision)
{
    EXPECT_EQ(getMPSize(QStringLiteral("1073741825")), QStringLiteral("1024.00  MB "));
    EXPECT_EQ(getMPSize(QStringLiteral("1073741889")), QStringLiteral("1.00  GB "));
}

TEST(MPSizeLocale, DecimalPointIsAlwaysADot)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    const QString text = getMPSize(QStringLiteral("1536"));
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, QStringLiteral("1.50  KB "));
}

QVariantMap usbVolume()
{
    return {{diskinfo::BusProtocol, QStringLiteral("USB")},
            {diskinfo::DeviceIdentifier, QStringLiteral("sdb1")},
            {diskinfo::VolumeName, QStringLiteral("KINGSTON")},
            {diskinfo::FilesystemUserVisibleName, QStringLiteral("FAT32")},
            {diskinfo::ParentWholeDisk, QStringLiteral("sdb")},
            {diskinfo::IOKitSize, QVariant::fromValue<quint64>(31003246592ull)}};
}

TEST(RowFromDiskInfo, MakesTheSixTextsInOrder)
{
    const auto row = rowFromDiskInfo(usbVolume());
    ASSERT_TRUE(row);
    EXPECT_EQ(*row, MyDataObject(QStringLiteral("sdb1"), QStringLiteral("KINGSTON"), QStringLiteral("FAT32"),
                                 QStringLiteral("28.87  GB "), QStringLiteral("sdb"), QStringLiteral("60553216")));
}

// One change to the USB volume's dictionary each: whether it gets a row, and
// the volume name, size and sector texts it shows ("-": not checked).
TEST(RowFromDiskInfo, ExclusionsAndFallbacks)
{
    const QVariant absent;
    const struct {
        QLatin1String key;
        QVariant value; // invalid: the key is removed
        bool listed;
        const char* name;
        const char* size;
        const char* sectors;
    } cases[] = {
        {diskinfo::BusProtocol, QStringLiteral("Disk Image"), false, "-", "-", "-"},
        {diskinfo::BusProtocol, QStringLiteral("disk image"), true, "-", "-", "-"}, // only the exact spelling
        {diskinfo::BusProtocol, QStringLiteral("Disk Image "), true, "-", "-", "-"},
        {diskinfo::OpticalDeviceType, QStringLiteral("Writable CD"), false, "-", "-", "-"},
        {diskinfo::OpticalDeviceType, QStringLiteral("DVD-ROM"), true, "-", "-", "-"},
        {diskinfo::OpticalDeviceType, QStringLiteral("cd-rom"), true, "-", "-", "-"},
        {diskinfo::VolumeName, QString(), true, "Untitled", "-", "-"},
        {diskinfo::VolumeName, absent, true, "", "-", "-"},
        {diskinfo::DeviceIdentifier, QString(), false, "-", "-", "-"},
        {diskinfo::DeviceIdentifier, absent, false, "-", "-", "-"},
        {diskinfo::IOKitSize, absent, true, "-", "0.00 bytes ", "0"},
        {diskinfo::IOKitSize, QStringLiteral("lots"), true, "-", "-", "0"},
        {diskinfo::IOKitSize, QStringLiteral("1536"), true, "-", "1.50  KB ", "3"},
        // Sectors are whole 512-byte units, exact above the signed 64-bit range.
        {diskinfo::IOKitSize, QVariant::fromValue<quint64>(18446744073709551615ull), true, "-", "-",
         "36028797018963967"},
    };
    for (const auto& c : cases) {
        QVariantMap info = usbVolume();
        if (c.value.isValid())
            info[c.key] = c.value;
        else
            info.remove(c.key);
        SCOPED_TRACE(QString(c.key).toStdString() + " = " + c.value.toString().toStdString());
        const auto row = rowFromDiskInfo(info);
        ASSERT_EQ(row.has_value(), c.listed);
        if (!row)
            continue;
        for (const auto& [got, want] : {std::pair{row->nsStrVolName, c.name}, std::pair{row->nsStrSize, c.size},
                                        std::pair{row->nsStrSectors, c.sectors}}) {
            if (std::string(want) != "-") {
                EXPECT_EQ(got, QString::fromLatin1(want));
            }
        }
    }
    EXPECT_FALSE(rowFromDiskInfo(QVariantMap()));
}

TEST(MediaTable, ColumnsAlignAndLinesHaveNoTrailingBlanks)
{
    const QList<MyDataObject> rows = {
        MyDataObject(QStringLiteral("sdb1"), QStringLiteral("KINGSTON"), QStringLiteral("FAT32"),
                     QStringLiteral("28.87  GB "), QStringLiteral("sdb"), QStringLiteral("60553216")),
        MyDataObject(QStringLiteral("mmcblk0p1"), QStringLiteral("Untitled"), QString(), QStringLiteral("1.50  KB "),
                     QStringLiteral("mmcblk0"), QStringLiteral("3")),
    };
    const QStringList lines = formatMediaTable(rows).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4); // header, two rows, and the empty text after the last '\n'
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_EQ(lines[0].toStdString(), "Identifier  Volume name  File system  Size       Parent disk  Sectors");
    EXPECT_EQ(lines[1].toStdString(), "sdb1        KINGSTON     FAT32        28.87  GB  sdb          60553216");
    EXPECT_EQ(lines[2].toStdString(), "mmcblk0p1   Untitled                  1.50  KB   mmcblk0      3");
}

TEST(MediaTable, ControlCharactersOfALabelAreEscaped)
{
    const QList<MyDataObject> rows = {MyDataObject(QStringLiteral("sdb1"), QStringLiteral("A\x1b[2J\nB"),
                                                   QStringLiteral("FAT32"), QStringLiteral("1.00  MB "),
                                                   QStringLiteral("sdb"), QStringLiteral("2048"))};
    const QStringList lines = formatMediaTable(rows).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << "the label's line break does not start a line";
    EXPECT_EQ(lines[1].toStdString(), "sdb1        A\\x1b[2J\\nB  FAT32        1.00  MB  sdb          2048");
}

TEST(MediaTable, EmptyListPrintsTheHeaderOnly)
{
    EXPECT_EQ(formatMediaTable({}).toStdString(), "Identifier  Volume name  File system  Size  Parent disk  Sectors\n");
}
} // namespace
