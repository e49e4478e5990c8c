// Checks the signature files shipped in resources/ (every *.dll there), each
// loaded with the product's own loader:
//   - the table holds whole entries (seven texts each) and at least one;
//   - every entry is usable: hex header of whole bytes, a position the
//     matcher can reach ("1", "nn" or 1..507 with the header inside the
//     sector), a positive 64-bit largest size, an extension that is a safe
//     folder name, a description, and the first byte the loader derives;
//   - the written text follows the format (LF line ends, the third value line
//     of each entry starts with "Header :", no dot in any value but the
//     extension's leading one);
//   - general tables (not ...Adv.dll) hold no header that random data hits
//     by chance: at least 4 bytes at a fixed place, 8 bytes for "nn";
//   - photo tables have no entry that an earlier entry hides (first match
//     wins there), other tables no carve group with two entries of one type;
//   - each thorough table holds every entry of its general table;
//   - every edition has both files of each mode it offers;
//   - video whose walker proves its length allows 64 GiB, and AVCHD is in
//     each general video table whose thorough table has it.
// Needs OSTREL_RESOURCE_DIR, the source resources folder, as a string literal.

#include "edition/EditionProfile.h"
#include "engine/CarveGroups.h"
#include "signatures/SignatureLoader.h"
#include "signatures/SignatureTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#ifndef OSTREL_RESOURCE_DIR
#error "OSTREL_RESOURCE_DIR must name the resources folder"
#endif

namespace {

QString resourceDir()
{
    return QString::fromUtf8(OSTREL_RESOURCE_DIR);
}

// Names of the shipped signature files, sorted; read while the tests are
// registered, so a missing folder simply gives no parameterised cases (the
// Editions test below then fails).
std::vector<std::string> shippedFiles(int which = 0) // 0 all, 1 general, 2 thorough
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(OSTREL_RESOURCE_DIR, ec)) {
        const std::string name = item.path().filename().string();
        if (!item.is_regular_file(ec) || name.size() <= 4 || name.compare(name.size() - 4, 4, ".dll") != 0)
            continue;
        const bool thorough = name.size() > 7 && name.compare(name.size() - 7, 7, "Adv.dll") == 0;
        if (which == 0 || (which == 2) == thorough)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool isPhoto(const QString& fileName)
{
    return fileName.mid(3).startsWith(QLatin1String("Ext2"));
}

bool allHex(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    });
}

bool allDigits(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QByteArray headerBytes(const QString& hex)
{
    return QByteArray::fromHex(hex.toLatin1());
}

struct Entry {
    QString ext, hex, pos;
    QByteArray bytes;
};

std::vector<Entry> entriesOf(const QStringList& t)
{
    std::vector<Entry> out;
    for (qsizetype k = 0; k < sig::entryCount(t); ++k) {
        Entry e;
        e.ext = sig::field(t, k, sig::Extension);
        e.hex = sig::field(t, k, sig::HeaderHex);
        e.pos = sig::field(t, k, sig::HeaderPosition);
        e.bytes = headerBytes(e.hex);
        out.push_back(e);
    }
    return out;
}

// True when every sector that `later` matches is also matched by `earlier`,
// so that in a first-match-wins table `later` could never be chosen.
bool hides(const Entry& earlier, const Entry& later)
{
    if (earlier.pos == QLatin1String("nn"))
        return later.bytes.contains(earlier.bytes);
    if (later.pos == QLatin1String("nn"))
        return false;
    const qsizetype off = earlier.pos.toLongLong() - later.pos.toLongLong();
    return off >= 0 && off + earlier.bytes.size() <= later.bytes.size() &&
           later.bytes.mid(off, earlier.bytes.size()) == earlier.bytes;
}

class ShippedSignatureFile : public ::testing::TestWithParam<std::string> {
protected:
    QString fileName() const { return QString::fromStdString(GetParam()); }
    QString path() const { return QDir(resourceDir()).filePath(fileName()); }
    QStringList table() const { return loadSignatureFile(path()); }
};

TEST_P(ShippedSignatureFile, EveryEntryIsUsable)
{
    const QStringList t = table();
    ASSERT_GT(sig::entryCount(t), 0) << "no entries in " << GetParam();
    EXPECT_EQ(t.size() % sig::Stride, 0) << "a partial entry";
    for (qsizetype k = 0; k < sig::entryCount(t); ++k) {
        const QString& ext = sig::field(t, k, sig::Extension);
        const QString& maxSize = sig::field(t, k, sig::MaxSize);
        const QString& hex = sig::field(t, k, sig::HeaderHex);
        const QString& pos = sig::field(t, k, sig::HeaderPosition);
        const QString& desc = sig::field(t, k, sig::Description);
        const QString& firstByte = sig::field(t, k, sig::FirstByte);
        const std::string where = GetParam() + " entry " + std::to_string(k + 1) + " (" + ext.toStdString() + " " +
                                  hex.toStdString() + ")";

        ASSERT_FALSE(hex.isEmpty()) << where;
        EXPECT_TRUE(hex.size() % 2 == 0 && allHex(hex)) << where;
        const qsizetype n = hex.size() / 2;
        if (pos != QLatin1String("1") && pos != QLatin1String("nn")) {
            ASSERT_TRUE(allDigits(pos)) << where << " position " << pos.toStdString();
            const qlonglong N = pos.toLongLong();
            EXPECT_TRUE(N >= 1 && N <= 507) << where;
            EXPECT_LE(N - 1 + n, 512) << where << " header runs past the sector";
        }
        bool sizeOk = false;
        EXPECT_TRUE(allDigits(maxSize) && maxSize.toULongLong(&sizeOk) > 0 && sizeOk) << where << " size " << maxSize.toStdString();
        // A safe folder name: letters, digits and underscores only.
        const QString upper = ext.toUpper();
        EXPECT_TRUE(!ext.isEmpty() && std::all_of(upper.begin(), upper.end(), [](QChar c) {
            return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
        })) << where << " extension " << ext.toStdString();
        EXPECT_FALSE(desc.isEmpty()) << where;
        bool fbOk = false;
        EXPECT_EQ(firstByte.toInt(&fbOk), hex.left(2).toInt(nullptr, 16)) << where;
        EXPECT_TRUE(fbOk) << where;
    }
}

TEST_P(ShippedSignatureFile, TextFollowsTheFormat)
{
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    EXPECT_FALSE(raw.contains('\r')) << "line ends must be LF only";
    const QStringList lines = QString::fromUtf8(raw).split(u'\n');
    int valueIndex = 0;
    int lineNo = 0;
    for (const QString& line : lines) {
        ++lineNo;
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            continue;
        const QString value = line.mid(colon + 1).trimmed();
        const std::string where = GetParam() + " line " + std::to_string(lineNo);
        switch (valueIndex) {
        case 0:
            EXPECT_TRUE(value.startsWith(u'.') && value.count(u'.') == 1) << where << " extension must be .ext";
            break;
        case 2:
            EXPECT_TRUE(line.startsWith(QLatin1String("Header :"))) << where << " third value line must be the header";
            [[fallthrough]];
        default:
            EXPECT_FALSE(value.contains(u'.')) << where << " a dot would cut the value";
            break;
        }
        valueIndex = (valueIndex + 1) % 6;
    }
    EXPECT_EQ(valueIndex, 0) << "the last entry is incomplete";
}

class GeneralSignatureFile : public ShippedSignatureFile {};
class ThoroughSignatureFile : public ShippedSignatureFile {};

TEST_P(GeneralSignatureFile, IsNotHitByChance)
{
    const QStringList t = table();
    for (qsizetype k = 0; k < sig::entryCount(t); ++k) {
        const QString& hex = sig::field(t, k, sig::HeaderHex);
        const QString& pos = sig::field(t, k, sig::HeaderPosition);
        const qsizetype n = hex.size() / 2;
        if (pos == QLatin1String("nn"))
            EXPECT_GE(n, 8) << GetParam() << " entry " << k + 1 << " " << hex.toStdString();
        else
            EXPECT_GE(n, 4) << GetParam() << " entry " << k + 1 << " " << hex.toStdString();
    }
}

TEST_P(ShippedSignatureFile, NoEntryIsHiddenOrDuplicated)
{
    const std::vector<Entry> e = entriesOf(table());
    const int count = static_cast<int>(e.size());
    if (isPhoto(fileName())) {
        // First match wins: an entry implied by an earlier one is dead.
        for (int j = 0; j < count; ++j)
            for (int i = 0; i < j; ++i)
                EXPECT_FALSE(hides(e[i], e[j]))
                    << GetParam() << " entry " << j + 1 << " (" << e[j].ext.toStdString() << " "
                    << e[j].hex.toStdString() << ") is hidden by entry " << i + 1;
        return;
    }
    // A hit on entry i carves its whole carve group (the engine's rule):
    // one file per type.
    const QStringList t = table();
    for (int i = 0; i < count; ++i) {
        QSet<QString> types{e[i].ext};
        for (int f : ostrel::carveGroupOf(t, i)) {
            if (f == i)
                continue;
            EXPECT_FALSE(types.contains(e[f].ext))
                << GetParam() << " a hit on entry " << i + 1 << " (" << e[i].hex.toStdString()
                << ") carves two " << e[f].ext.toStdString() << " files";
            types.insert(e[f].ext);
        }
    }
}

TEST_P(ThoroughSignatureFile, HoldsTheGeneralEntries)
{
    QString generalName = fileName();
    generalName.replace(QLatin1String("Adv.dll"), QLatin1String(".dll"));
    const QString generalPath = QDir(resourceDir()).filePath(generalName);
    ASSERT_TRUE(QFileInfo::exists(generalPath)) << generalName.toStdString();
    QSet<QString> thorough;
    for (const Entry& x : entriesOf(table()))
        thorough.insert(x.ext + u' ' + x.hex + u' ' + x.pos);
    for (const Entry& x : entriesOf(loadSignatureFile(generalPath)))
        EXPECT_TRUE(thorough.contains(x.ext + u' ' + x.hex + u' ' + x.pos))
            << GetParam() << " lacks " << x.ext.toStdString() << " " << x.hex.toStdString();
}

std::string paramName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string s = info.param;
    for (char& c : s) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            c = '_';
    }
    return s;
}

INSTANTIATE_TEST_SUITE_P(Resources, ShippedSignatureFile, ::testing::ValuesIn(shippedFiles()), paramName);
INSTANTIATE_TEST_SUITE_P(Resources, GeneralSignatureFile, ::testing::ValuesIn(shippedFiles(1)), paramName);
INSTANTIATE_TEST_SUITE_P(Resources, ThoroughSignatureFile, ::testing::ValuesIn(shippedFiles(2)), paramName);

// Every mode the product's edition table offers (photo, video, raw file,
// audio) has both its files.
TEST(ShippedSignatureFiles, EveryOfferedModeHasBothTables)
{
    const QDir dir(resourceDir());
    for (int k = 0; k < kEditionCount; ++k) {
        const EditionInfo& e = editionTable()[k];
        const bool offered[] = {e.photo, e.video, e.raw, e.audio};
        const char* modes[] = {"Ext2", "Video", "Raw", "Audio"};
        for (int m = 0; m < 4; ++m) {
            if (!offered[m])
                continue;
            for (const char* suffix : {".dll", "Adv.dll"}) {
                const QString name = QString::fromLatin1(e.prefix) + QLatin1String(modes[m]) + QLatin1String(suffix);
                EXPECT_TRUE(QFileInfo::exists(dir.filePath(name))) << name.toStdString() << " is missing";
                EXPECT_GT(loadSignatureFile(dir.filePath(name)).size(), 0) << name.toStdString() << " is empty";
            }
        }
    }
}

// Video whose walker proves its length is not cut by a small size limit
// (a 10-minute 4K clip is beyond 4 GiB), and AVCHD, whose header check the
// transport stream walker does, is searched in the general pass wherever
// the thorough pass has it.
TEST(ShippedSignatureFiles, VideoTablesFitLongRecordings)
{
    const QDir dir(resourceDir());
    const QSet<QString> proven{"MOV", "MP4", "M4V", "MKV", "WEBM", "MXF", "AVI", "MTS"};
    for (const std::string& name : shippedFiles()) {
        if (name.find("Video") == std::string::npos)
            continue;
        const QStringList table = loadSignatureFile(dir.filePath(QString::fromStdString(name)));
        const std::vector<Entry> entries = entriesOf(table);
        for (qsizetype k = 0; k < sig::entryCount(table); ++k) {
            if (proven.contains(sig::field(table, k, sig::Extension))) {
                EXPECT_GE(sig::field(table, k, sig::MaxSize).toULongLong(), 64ull << 30) << name << " entry " << k + 1;
            }
        }
        if (name.find("Adv") != std::string::npos)
            continue;
        QString thorough = QString::fromStdString(name);
        thorough.replace(QLatin1String(".dll"), QLatin1String("Adv.dll"));
        const auto hasMts = [](const std::vector<Entry>& list) {
            return std::any_of(list.begin(), list.end(), [](const Entry& e) { return e.ext == QLatin1String("MTS"); });
        };
        EXPECT_EQ(hasMts(entries), hasMts(entriesOf(loadSignatureFile(dir.filePath(thorough))))) << name;
    }
}

} // namespace
