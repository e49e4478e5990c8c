// The headless front end's end of a search: the exit status for every way a
// search ends, the command that continues a stopped search, and the lines
// for stops, a medium gone, failures, unreadable sectors and zero files.
// Needs nothing.
#include "cli/RunReport.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {
RunOutcome ending(PassEnd end, quint64 unreadable = 0)
{
    RunOutcome o;
    o.pass.end = end;
    o.pass.rangeStart = 0;
    o.pass.rangeEnd = 131072;
    o.pass.sector = 5000;
    o.pass.anySectorRead = true;
    o.unreadable.count = unreadable;
    return o;
}
} // namespace

struct StatusCase {
    PassEnd end;
    quint64 unreadable;
    int status;
};

class ExitStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ExitStatus, FollowsTheOutcome)
{
    EXPECT_EQ(exitStatusFor(ending(GetParam().end, GetParam().unreadable)), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, ExitStatus,
    ::testing::Values(StatusCase{PassEnd::Completed, 0, 0}, StatusCase{PassEnd::Completed, 8, 4},
                      StatusCase{PassEnd::SourceFailed, 0, 2}, StatusCase{PassEnd::DestinationFailed, 8, 3},
                      StatusCase{PassEnd::MediumGone, 0, 5}, StatusCase{PassEnd::MediumGone, 3, 5},
                      StatusCase{PassEnd::Failed, 0, 6}, StatusCase{PassEnd::Stopped, 8, 130}));

TEST(RunReport, ContinueCommandReplacesTheRange)
{
    EXPECT_EQ(continueCommand("ostrel-recover", {"-m", "raw", "--range", "10:900", "/dev/sdb1", "/tmp/my results"}, 450, 900),
              QStringLiteral("ostrel-recover -m raw /dev/sdb1 '/tmp/my results' --range 450:900"));
    EXPECT_EQ(continueCommand("ostrel-recover", {"--range=1:2", "-r", "3:4", "a.img", "out"}, 7, 8),
              QStringLiteral("ostrel-recover a.img out --range 7:8"));
}

TEST(RunReport, EndingsAreSaidWithWhatToDoNext)
{
    const QString again = QStringLiteral("ostrel-recover card.img out --range 5000:131072");
    QString text = endOfRunLines(ending(PassEnd::Stopped), 3, false, false, again).join(u'\n');
    EXPECT_TRUE(text.contains("stopped at sector 5000")) << text.toStdString();
    EXPECT_TRUE(text.contains("--range 5000:131072")) << text.toStdString();
    EXPECT_TRUE(text.contains(again));

    text = endOfRunLines(ending(PassEnd::MediumGone), 3, false, false, again).join(u'\n');
    EXPECT_TRUE(text.contains("stopped answering after sector 5000")) << text.toStdString();
    EXPECT_FALSE(text.contains("--range"));

    RunOutcome failed = ending(PassEnd::Failed);
    failed.pass.message = QStringLiteral("out of memory");
    EXPECT_EQ(endOfRunLines(failed, 3, false, false, again), QStringList{"The search failed: out of memory"});

    RunOutcome bad = ending(PassEnd::Completed, 8);
    bad.unreadable.firstRanges = {{100, 5}, {900, 1}};
    bad.unreadable.otherRanges = 2;
    bad.unreadable.mapFile = QStringLiteral("/out/x.map");
    text = endOfRunLines(bad, 3, false, false, again).join(u'\n');
    EXPECT_TRUE(text.contains("Unreadable sectors: 8 (taken as zeros; sectors 100-104, 900, and 2 more)")) << text.toStdString();
    EXPECT_TRUE(text.contains("/out/x.map"));

    // Zero files: the hints fit what was searched.
    text = endOfRunLines(ending(PassEnd::Completed), 0, true, false, again).join(u'\n');
    EXPECT_TRUE(text.contains("No files were recovered.")) << text.toStdString();
    EXPECT_TRUE(text.contains("--thorough") && text.contains("no --range"));
    text = endOfRunLines(ending(PassEnd::Completed), 0, false, true, again).join(u'\n');
    EXPECT_FALSE(text.contains("--thorough") || text.contains("no --range")) << text.toStdString();
    EXPECT_TRUE(endOfRunLines(ending(PassEnd::Completed), 4, false, false, again).isEmpty());
}
