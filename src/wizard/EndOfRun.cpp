#include "wizard/EndOfRun.h"

#include "wizard/WizardTexts.h"

#include <QDir>
#include <QStringList>

namespace wizard {

using ostrel::PassEnd;

bool stopRequested(bool answeredYes, bool searchRunning, bool finalScreenShown)
{
    return answeredYes && searchRunning && !finalScreenShown;
}

bool finalScreenNow(bool previewSheetUp)
{
    return !previewSheetUp;
}

bool continuesAfterEnd(bool continueAsked, const ostrel::PassOutcome& pass)
{
    return continueAsked && pass.canContinue();
}

namespace {

void setTitle(EndScreen& screen, const EndFacts& facts)
{
    const auto set = [&screen](const QString& title, EndMood mood) {
        screen.title = title;
        screen.mood = mood;
    };
    switch (facts.outcome.pass.end) {
    case PassEnd::Stopped: set(wintexts::endTitleStopped, EndMood::Warning); return;
    case PassEnd::MediumGone: set(wintexts::endTitleGone, EndMood::Warning); return;
    case PassEnd::Failed: set(wintexts::endTitleFailed, EndMood::Warning); return;
    case PassEnd::DestinationFailed: set(wintexts::endTitleNotSaved, EndMood::Warning); return;
    case PassEnd::Completed:
    case PassEnd::SourceFailed:
        set(wintexts::endTitleDone, facts.outcome.unreadable.count > 0 ? EndMood::Warning
                                    : facts.filesFound == 0           ? EndMood::Note
                                                                      : EndMood::Done);
        return;
    }
}

QString summaryOf(const EndFacts& facts)
{
    const ostrel::PassOutcome& p = facts.outcome.pass;
    QStringList summary;
    if (p.end == PassEnd::Stopped)
        summary << (p.canContinue() ? wintexts::endStoppedAt.arg(p.sector).arg(p.rangeEnd) : wintexts::endStoppedInRetry);
    if (p.end == PassEnd::MediumGone)
        summary << (p.anySectorRead ? wintexts::endGoneAfter.arg(p.sector) : wintexts::endGoneAtOnce);
    if (p.end == PassEnd::Failed)
        summary << wintexts::endFailed.arg(p.message);
    if (facts.filesFound == 0) {
        summary << wintexts::endNoFiles;
        // Hints only where the search ran over its range as asked.
        if (p.end == PassEnd::Completed || p.end == PassEnd::Stopped) {
            QStringList hints{wintexts::hintOtherMode};
            if (!facts.thorough)
                hints << wintexts::hintThorough;
            if (facts.rangeOnly)
                hints << wintexts::hintWholeDisk;
            summary << wintexts::endNoFilesHint.arg(hints.join(QStringLiteral(", ")));
        }
    } else {
        summary << (facts.filesFound == 1 ? wintexts::endOneFile.arg(facts.folder)
                                          : wintexts::endFiles.arg(facts.filesFound).arg(facts.folder));
    }
    return summary.join(QStringLiteral("\n\n"));
}

QString noticeOf(const ostrel::UnreadableSummary& u)
{
    QStringList notice;
    if (u.count > 0)
        notice << wintexts::endUnreadable.arg(u.count).arg(ostrel::describeRanges(u.firstRanges, u.otherRanges));
    if (u.readOnRetry > 0)
        notice << wintexts::endReadOnRetry.arg(u.readOnRetry);
    if (!u.mapFile.isEmpty())
        notice << wintexts::endMapFile.arg(QDir::toNativeSeparators(u.mapFile));
    return notice.join(u' ');
}

} // namespace

EndScreen endScreenFor(const EndFacts& facts)
{
    EndScreen screen;
    setTitle(screen, facts);
    screen.summary = summaryOf(facts);
    screen.notice = noticeOf(facts.outcome.unreadable);
    const ostrel::PassOutcome& p = facts.outcome.pass;
    screen.continueOffer = p.canContinue() ? wintexts::continueButton.arg(p.sector) : QString();
    return screen;
}

} // namespace wizard
