// The end of a search in the window without a window: when a Stop answer
// stops it, when the final screen comes, whether the search continues, and
// the final screen's title, mood, summary, notice and continue offer for
// each way a pass ends. Needs nothing but QtCore.

#include "wizard/EndOfRun.h"
#include "wizard/WizardTexts.h"

#include <gtest/gtest.h>

using namespace wizard;
using ostrel::PassEnd;

namespace {

EndFacts facts(PassEnd end, quint64 files, quint64 sector = 0, quint64 rangeEnd = 0)
{
    EndFacts f;
    f.outcome.pass.end = end;
    f.outcome.pass.sector = sector;
    f.outcome.pass.rangeEnd = rangeEnd;
    f.filesFound = files;
    f.folder = QStringLiteral("/dest/Results");
    f.thorough = true;
    return f;
}

TEST(EndOfRun, StopAndContinueDecisions)
{
    EXPECT_TRUE(stopRequested(true, true, false));
    EXPECT_FALSE(stopRequested(false, true, false));
    EXPECT_FALSE(stopRequested(true, false, false)); // the run ended while the question was up
    EXPECT_FALSE(stopRequested(true, true, true));
    EXPECT_TRUE(finalScreenNow(false));
    EXPECT_FALSE(finalScreenNow(true));
    ostrel::PassOutcome stopped;
    stopped.end = PassEnd::Stopped;
    stopped.sector = 10;
    stopped.rangeEnd = 100;
    EXPECT_TRUE(continuesAfterEnd(true, stopped));
    EXPECT_FALSE(continuesAfterEnd(false, stopped));
    stopped.sector = 100; // stopped while retrying: nothing left to search
    EXPECT_FALSE(continuesAfterEnd(true, stopped));
}

TEST(EndOfRun, StoppedMidRangeOffersToContinue)
{
    const EndScreen s = endScreenFor(facts(PassEnd::Stopped, 2, 500, 8192));
    EXPECT_EQ(s.title, wintexts::endTitleStopped);
    EXPECT_EQ(s.mood, EndMood::Warning);
    EXPECT_EQ(s.summary, wintexts::endStoppedAt.arg(500).arg(8192) + "\n\n" +
                             wintexts::endFiles.arg(2).arg(QStringLiteral("/dest/Results")));
    EXPECT_EQ(s.continueOffer, wintexts::continueButton.arg(500));
    EXPECT_TRUE(s.notice.isEmpty());
}

TEST(EndOfRun, CompletedSearchesByFilesFoundAndUnreadableSectors)
{
    EndScreen s = endScreenFor(facts(PassEnd::Completed, 1));
    EXPECT_EQ(s.title, wintexts::endTitleDone);
    EXPECT_EQ(s.mood, EndMood::Done);
    EXPECT_EQ(s.summary, wintexts::endOneFile.arg(QStringLiteral("/dest/Results")));
    EXPECT_TRUE(s.continueOffer.isEmpty());

    // Nothing found: a note, with hints for looking further.
    EndFacts none = facts(PassEnd::Completed, 0);
    none.thorough = false;
    none.rangeOnly = true;
    s = endScreenFor(none);
    EXPECT_EQ(s.mood, EndMood::Note);
    EXPECT_EQ(s.summary, wintexts::endNoFiles + "\n\n" +
                             wintexts::endNoFilesHint.arg(wintexts::hintOtherMode + ", " + wintexts::hintThorough +
                                                          ", " + wintexts::hintWholeDisk));

    EndFacts damaged = facts(PassEnd::Completed, 3);
    damaged.outcome.unreadable.count = 7;
    damaged.outcome.unreadable.readOnRetry = 2;
    damaged.outcome.unreadable.mapFile = QStringLiteral("/dest/x.map");
    s = endScreenFor(damaged);
    EXPECT_EQ(s.mood, EndMood::Warning);
    EXPECT_TRUE(s.notice.startsWith(wintexts::endUnreadable.arg(7).left(20))) << s.notice.toStdString();
    EXPECT_TRUE(s.notice.endsWith(wintexts::endMapFile.arg(QStringLiteral("/dest/x.map"))));
    EXPECT_TRUE(s.notice.contains(wintexts::endReadOnRetry.arg(2)));
}

TEST(EndOfRun, EarlyEndsHaveTheirOwnTitlesAndNoHints)
{
    struct Row {
        PassEnd end;
        QString title;
    };
    for (const Row& r : {Row{PassEnd::MediumGone, wintexts::endTitleGone}, Row{PassEnd::Failed, wintexts::endTitleFailed},
                         Row{PassEnd::DestinationFailed, wintexts::endTitleNotSaved},
                         Row{PassEnd::SourceFailed, wintexts::endTitleDone}}) {
        const EndScreen s = endScreenFor(facts(r.end, 0, 95));
        EXPECT_EQ(s.title, r.title);
        EXPECT_TRUE(s.summary.endsWith(wintexts::endNoFiles)) << s.summary.toStdString();
    }
    EndFacts gone = facts(PassEnd::MediumGone, 0, 95);
    gone.outcome.pass.anySectorRead = true;
    EXPECT_EQ(endScreenFor(gone).summary, wintexts::endGoneAfter.arg(95) + "\n\n" + wintexts::endNoFiles);
}

} // namespace
