// Loading an edition's tables: each mode reads its own pair of files, a mode
// the edition lacks stays empty whatever files lie in the folder, and missing
// files leave tables empty. Needs a temporary folder.
#include "edition/EditionProfile.h"
#include "signatures/SignatureDatabase.h"
#include "signatures/SignatureTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/QtPrinters.h"

#include <gtest/gtest.h>

TEST(SignatureDatabase, EachOfferedModeReadsItsOwnPair)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const char* suffixes[4][2] = {{"Ext2", "Ext2Adv"}, {"Video", "VideoAdv"}, {"Raw", "RawAdv"}, {"Audio", "AudioAdv"}};
    for (const char* prefix : {"XTN", "IMG"}) {
        for (const auto& pair : suffixes) {
            for (const char* suffix : pair) {
                QFile f(QDir(tmp.path()).filePath(QStringLiteral("%1%2.dll").arg(QLatin1String(prefix), QLatin1String(suffix))));
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write(QStringLiteral("E : .%1\nS : 100\nHeader : 0102\nP : 1\nX : 0\nD : d\n").arg(QLatin1String(suffix)).toUtf8());
            }
        }
    }
    // Removable offers all four modes; Pictures photos only; Camera finds no files.
    for (const char* edition : {"Removable", "Ostrel Digital Picture Recovery", "Camera"}) {
        const EditionProfile profile = EditionProfile::fromBundleName(QString::fromLatin1(edition));
        SignatureDatabase db;
        db.load(profile, tmp.path());
        const bool filesThere = profile.prefix != QLatin1String("SNP");
        for (int mode = 0; mode < 4; ++mode) {
            for (int thorough = 0; thorough < 2; ++thorough) {
                const QStringList& t = db.table(mode, thorough);
                if (!filesThere || !profile.offersMode(mode)) {
                    EXPECT_TRUE(t.isEmpty()) << edition << " mode " << mode;
                    continue;
                }
                ASSERT_EQ(t.size(), 7) << edition << " mode " << mode;
                EXPECT_EQ(t.at(0), QString::fromLatin1(suffixes[mode][thorough]).toUpper());
            }
        }
        EXPECT_TRUE(db.table(4, false).isEmpty());
    }
}
