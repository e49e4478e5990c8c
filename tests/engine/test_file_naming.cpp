// Folder roll-over and safe path components. Needs nothing.
#include "engine/FileNaming.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(FileNaming, RollOverNames)
{
    EXPECT_EQ(nextRollOverFolder("JPG"), QStringLiteral("JPG_001"));
    EXPECT_EQ(nextRollOverFolder("JPG_001"), QStringLiteral("JPG_002"));
    EXPECT_EQ(nextRollOverFolder("JPEG_001"), QStringLiteral("JPEG_002"));
    EXPECT_EQ(nextRollOverFolder("JPG_009"), QStringLiteral("JPG_010"));
    EXPECT_EQ(nextRollOverFolder("JPG_099"), QStringLiteral("JPG_100"));
    EXPECT_EQ(nextRollOverFolder("RAW_X"), QStringLiteral("RAW_001"));
    EXPECT_EQ(nextRollOverFolder("JPG_999"), QString());
}

TEST(FileNaming, FolderCountersRollOverAndStopAtTheLast)
{
    FolderCounters counters(3);
    counters.rebuild({"JPG", "5000", "FFD8", "1", "0", "d", "255", "JPG", "1", "FFD9", "1", "0", "d", "255"});
    EXPECT_EQ(counters.count("JPG"), -1);
    EXPECT_EQ(counters.place("JPG"), QStringLiteral("JPG"));
    EXPECT_EQ(counters.place("JPG"), QStringLiteral("JPG"));
    EXPECT_EQ(counters.place("JPG"), QStringLiteral("JPG"));
    EXPECT_EQ(counters.place("JPG"), QStringLiteral("JPG_001")) << "the fourth file opens the next folder";
    EXPECT_EQ(counters.count("JPG"), 0);
    EXPECT_EQ(counters.place("JPG"), QStringLiteral("JPG_001"));
    EXPECT_EQ(counters.place("JPG"), QStringLiteral("JPG_001"));
    EXPECT_EQ(counters.place("JPG"), QStringLiteral("JPG_002"));

    FolderCounters last(1);
    last.rebuild({"JPG", "1", "FF", "1", "0", "d", "255"});
    last.place("JPG");
    QString folder;
    for (int i = 0; i < 1005; ++i)
        folder = last.place("JPG");
    EXPECT_EQ(folder, QStringLiteral("JPG_999")) << "after _999 the type stays in its last folder";
    EXPECT_EQ(last.place("JPG"), QStringLiteral("JPG_999"));
}

TEST(FileNaming, UnsafeExtensionsNeverLeaveTheirFolder)
{
    EXPECT_EQ(safePathComponent("JPG"), QStringLiteral("JPG"));
    EXPECT_EQ(safePathComponent(""), QStringLiteral("NOEXT"));
    EXPECT_EQ(safePathComponent("."), QStringLiteral("NOEXT"));
    EXPECT_EQ(safePathComponent(".."), QStringLiteral("NOEXT"));
    EXPECT_EQ(safePathComponent("../../etc"), QStringLiteral(".._.._etc"));
    EXPECT_EQ(safePathComponent("TAR.GZ"), QStringLiteral("TAR.GZ"));
    FolderCounters counters(10);
    counters.rebuild({"..", "1", "FF", "1", "0", "d", "255"});
    EXPECT_EQ(counters.place(".."), QStringLiteral("NOEXT"));
}
