// Loading an edition's tables: which files are read for which edition, and
// that a mode the edition lacks stays empty whatever files lie in the folder.
#include "edition/EditionProfile.h"
#include "signatures/SignatureDatabase.h"
#include "signatures/SignatureTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/QtPrinters.h"

#include <gtest/gtest.h>

namespace {
void writeTable(const QDir& dir, const QString& name, const QString& ext)
{
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("E : .%1\nS : 100\nHeader : 0102\nP : 1\nX : 0\nD : %1 file\n").arg(ext).toUtf8());
}
} // namespace

TEST(SignatureDatabase, LoadsOnlyTheModesTheEditionOffers)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QDir dir(tmp.path());
    // Every file of the Pictures prefix, including modes it does not offer.
    for (const char* suffix : {"Ext2", "Ext2Adv", "Video", "VideoAdv", "Raw", "RawAdv", "Audio", "AudioAdv"})
        writeTable(dir, QStringLiteral("IMG%1.dll").arg(QLatin1String(suffix)), QLatin1String(suffix));

    const EditionProfile pictures = EditionProfile::fromBundleName(QStringLiteral("Ostrel Digital Picture Recovery"));
    SignatureDatabase db;
    db.load(pictures, tmp.path());
    EXPECT_EQ(sig::field(db.Ext_Array, 0, sig::Extension), QStringLiteral("EXT2"));
    EXPECT_EQ(sig::field(db.Adv_Ext_Array, 0, sig::Extension), QStringLiteral("EXT2ADV"));
    EXPECT_TRUE(db.Video_Array.isEmpty());
    EXPECT_TRUE(db.Adv_Video_Array.isEmpty());
    EXPECT_TRUE(db.RawFile_Array.isEmpty());
    EXPECT_TRUE(db.Audio_Array.isEmpty());
    EXPECT_TRUE(db.Adv_Audio_Array.isEmpty());
}

TEST(SignatureDatabase, EachModeReadsItsOwnPair)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QDir dir(tmp.path());
    for (const char* suffix : {"Ext2", "Ext2Adv", "Video", "VideoAdv", "Raw", "RawAdv", "Audio", "AudioAdv"})
        writeTable(dir, QStringLiteral("XTN%1.dll").arg(QLatin1String(suffix)), QLatin1String(suffix));
    SignatureDatabase db;
    db.load(EditionProfile::fromBundleName(QStringLiteral("Removable")), tmp.path());
    const char* expected[4][2] = {{"EXT2", "EXT2ADV"}, {"VIDEO", "VIDEOADV"}, {"RAW", "RAWADV"}, {"AUDIO", "AUDIOADV"}};
    for (int mode = 0; mode < 4; ++mode) {
        for (int thorough = 0; thorough < 2; ++thorough) {
            const QStringList& t = db.table(mode, thorough);
            ASSERT_EQ(t.size(), 7) << mode << thorough;
            EXPECT_EQ(t.at(0), QLatin1String(expected[mode][thorough]));
        }
    }
    EXPECT_TRUE(db.table(4, false).isEmpty());
}

TEST(SignatureDatabase, MissingFilesLeaveTablesEmpty)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    SignatureDatabase db;
    db.load(EditionProfile::fromBundleName(QStringLiteral("Camera")), tmp.path());
    for (int mode = 0; mode < 4; ++mode) {
        EXPECT_TRUE(db.table(mode, false).isEmpty());
        EXPECT_TRUE(db.table(mode, true).isEmpty());
    }
}
