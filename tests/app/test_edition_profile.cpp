// Edition choice from the bundle name: the order of the words, case, the
// fallback, the modes and files per edition, the derived folder names, and
// the keys and numbers the headless front end accepts. Needs nothing.
#include "app/SupportFolder.h"
#include "edition/EditionProfile.h"

#include <QStandardPaths>

#include "common/QtPrinters.h"

#include <gtest/gtest.h>


struct EditionCase {
    const char* bundleName;
    int edition;
    const char* title;
    const char* prefix;
};

class EditionChoice : public ::testing::TestWithParam<EditionCase> {};

TEST_P(EditionChoice, FirstWordInOrderWins)
{
    const EditionCase c = GetParam();
    const EditionProfile p = EditionProfile::fromBundleName(QString::fromUtf8(c.bundleName));
    EXPECT_EQ(p.edition, c.edition);
    EXPECT_EQ(p.APP_LONG_NAME, QString::fromUtf8(c.title));
    EXPECT_EQ(p.prefix, QString::fromUtf8(c.prefix));
    EXPECT_TRUE(p.matched);
}

INSTANTIATE_TEST_SUITE_P(
    Editions, EditionChoice,
    ::testing::Values(
        EditionCase{"Ostrel USB Drive Recovery", 1, "Ostrel USB Drive Data Recovery Software", "FLK"},
        EditionCase{"Drive Professional", 1, "Ostrel USB Drive Data Recovery Software", "FLK"},
        EditionCase{"Removable Camera", 2, "Ostrel USB Media Data Recovery Software", "XTN"},
        EditionCase{"Ostrel Camera Memory", 3, "Ostrel Digital Camera Data Recovery Software", "SNP"},
        EditionCase{"Memory Mobile", 4, "Ostrel Memory Card Data Recovery Software", "CRD"},
        EditionCase{"Mobile Professional", 5, "Ostrel Mobile Phone Data Recovery Software", "HND"},
        EditionCase{"Digital Picture Professional", 6, "Ostrel Pictures Recovery Software", "IMG"},
        EditionCase{"Professional", 7, "Ostrel Data Recovery Software Professional Edition", "EXP"},
        EditionCase{"drive Camera", 3, "Ostrel Digital Camera Data Recovery Software", "SNP"}));

TEST(EditionProfile, WordTestIsCaseSensitiveAndUnknownNamesFallBack)
{
    for (const char* name : {"drive", "DRIVE", "digital picture", "Digital  Picture", "", "Recovery"}) {
        const EditionProfile p = EditionProfile::fromBundleName(QString::fromUtf8(name));
        EXPECT_FALSE(p.matched) << name;
        EXPECT_EQ(p.edition, 7) << name;
        EXPECT_EQ(p.App_Name, QString::fromUtf8(name));
    }
}

TEST(EditionProfile, ModesFilesAndHardDisksFollowTheEdition)
{
    const struct {
        const char* name;
        bool modes[4]; // photo, video, raw, audio
        bool hardDisk;
    } cases[] = {
        {"Removable", {true, true, true, true}, false},
        {"Drive", {true, false, true, false}, false},
        {"Digital Picture", {true, false, false, false}, true},
        {"Professional", {true, true, true, false}, true},
    };
    for (const auto& c : cases) {
        const EditionProfile p = EditionProfile::fromBundleName(QString::fromLatin1(c.name));
        for (int mode = 0; mode < 4; ++mode)
            EXPECT_EQ(p.offersMode(mode), c.modes[mode]) << c.name << " mode " << mode;
        EXPECT_EQ(p.video_dll.isEmpty(), !c.modes[1]) << c.name;
        EXPECT_EQ(p.USE_HARD_DISK, c.hardDisk) << c.name;
    }
    EXPECT_EQ(EditionProfile::fromBundleName(QStringLiteral("Removable")).audio_dll_adv, QStringLiteral("XTNAudioAdv.dll"));
}

TEST(EditionProfile, FolderNamesKeepOrTrimBlanks)
{
    const EditionProfile p = EditionProfile::fromBundleName(QStringLiteral("  Ostrel Camera Recovery \t"));
    EXPECT_EQ(p.Rec_Folder_Name, QStringLiteral("  Ostrel Camera Recovery \t Results"));
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    EXPECT_EQ(Created_Resource_Path(p.App_Name), base + QStringLiteral("/Ostrel Camera Recovery"));
}

TEST(EditionProfile, KeysAndNumbersSelectEditions)
{
    EXPECT_EQ(EditionProfile::fromNameOrKey(QStringLiteral("camera")).edition, 3);
    EXPECT_EQ(EditionProfile::fromNameOrKey(QStringLiteral("Pictures")).edition, 6);
    EXPECT_EQ(EditionProfile::fromNameOrKey(QStringLiteral("2")).edition, 2);
    EXPECT_EQ(EditionProfile::fromNameOrKey(QStringLiteral("camera")).App_Name,
              QStringLiteral("Ostrel Camera Recovery"));
    EXPECT_EQ(EditionProfile::fromNameOrKey(QStringLiteral("My Memory Tool")).edition, 4);
}
