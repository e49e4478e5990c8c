#include "engine/SearchRun.h"

#include "engine/DdrescueMapFile.h"
#include "signatures/TypeSelection.h"
#include "util/FolderHelpers.h"

#include <QCoreApplication>
#include <QDir>

#include <system_error>

namespace ostrel {

namespace {
constexpr size_t kListedRanges = 5;
} // namespace

SearchRun::SearchRun(EngineHost& host, RunState& state, RunSetup setup, EngineOptions options)
    : host_(host), state_(state), setup_(std::move(setup)), options_(std::move(options))
{
}

SearchRun::~SearchRun()
{
    join();
}

void SearchRun::start(std::function<void()> onFinished)
{
    if (worker_.joinable())
        return;
    try {
        worker_ = std::thread([this, onFinished = std::move(onFinished)] {
            runWorker();
            if (onFinished)
                onFinished();
        });
    } catch (const std::system_error& e) {
        failToStart(QString::fromLocal8Bit(e.what()));
        finished_ = true;
    }
}

void SearchRun::failToStart(const QString& why)
{
    startFailed_ = true;
    state_.stop_screen_already_show = 0; // this run's end is not handled yet
    outcome_ = RunOutcome{};
    outcome_.pass.end = PassEnd::Failed;
    outcome_.pass.message =
        QStringLiteral("The search could not be started: the system could not create a thread (%1).").arg(why);
    host_.showMessageBox(outcome_.pass.message);
    if (state_.claimRunEnd())
        host_.requestFinalScreen(outcome_);
}

void SearchRun::join()
{
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
        worker_.join();
}

void SearchRun::runWorker()
{
    finished_ = false;
    started_ = QDateTime::currentDateTime();
    state_.unreadable_sectors = 0;
    state_.retry_left = 0;
    state_.stop_screen_already_show = 0;
    outcome_ = RunOutcome{};
    ticker_ = std::make_unique<ProgressTicker>(host_, state_);
    QString why;
    if (!ticker_->start(&why)) {
        failToStart(why);
        ticker_.reset();
        finished_ = true;
        return;
    }
    if (setup_.mode == 0)
        Photo_Rec_Thread();
    else
        Raw_File_Rec_Thread();
    ticker_->stop();
    state_.running_pass = static_cast<int>(PassKind::None);
    // The one place that ends a run on the front end.
    if (outcome_.pass.end != PassEnd::SourceFailed && state_.claimRunEnd())
        host_.requestFinalScreen(outcome_);
    finished_ = true;
}

void SearchRun::runPasses(CarveEngine& engine)
{
    const PassOutcome general = engine.runPass(false);
    generalOk_ = general.end == PassEnd::Completed && general.lastSectorReadable;
    PassOutcome last = general;
    // Only a general pass that read its whole range is followed by the
    // thorough pass: after a stop, a failure or a medium gone the run ends.
    if (general.end == PassEnd::Completed && host_.readSearchSettings().thorough) {
        thoroughRan_ = true;
        last = engine.runPass(true);
    }
    outcome_.thoroughRan = thoroughRan_;
    outcome_.pass = last;
    outcome_.unreadable.readOnRetry = general.readOnRetry + (thoroughRan_ ? last.readOnRetry : 0);
    if (last.end != PassEnd::SourceFailed)
        summariseUnreadable(engine.sectorMap());
}

void SearchRun::summariseUnreadable(const SectorMap& map)
{
    const PassOutcome& p = outcome_.pass;
    UnreadableSummary& u = outcome_.unreadable;
    // Searched: the range up to where reading ended. Beyond a stop, a
    // failure or a medium gone nothing was searched, so nothing there
    // counts as unreadable.
    const quint64 searchedEnd = std::min(state_.for_index.load(), p.rangeEnd);
    std::vector<SectorRange> runs;
    quint64 ranges = 0;
    map.forEach(p.rangeStart, std::max(p.rangeStart, searchedEnd), [&](quint64 first, quint64 count, SectorState s) {
        if (s == SectorState::Good)
            return;
        u.count += count;
        if (!runs.empty() && runs.back().end() == first) {
            runs.back().count += count; // bad and never-read sectors side by side make one range
            return;
        }
        ++ranges;
        if (runs.size() < kListedRanges + 1)
            runs.push_back({first, count});
    });
    if (runs.size() > kListedRanges)
        runs.pop_back();
    u.firstRanges = runs;
    u.otherRanges = ranges - runs.size();
    state_.unreadable_sectors = u.count;
    if (u.count == 0 && p.end != PassEnd::MediumGone)
        return;

    // The map beside the results, for ddrescue and ddrescueview.
    const SearchSettings settings = host_.readSearchSettings();
    const quint64 domainEnd = std::max(settings.sectorCount, p.rangeEnd);
    MapFileHeading heading;
    heading.program = QStringLiteral("%1 %2")
                          .arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion())
                          .trimmed();
    heading.commandLine = QStringLiteral("%1 search of %2, sectors %3 to %4")
                              .arg(modeFolderName(setup_.mode),
                                   settings.sourcePath.isEmpty() ? settings.diskIdentifier : settings.sourcePath)
                              .arg(p.rangeStart)
                              .arg(p.rangeEnd);
    heading.started = started_;
    heading.saved = QDateTime::currentDateTime();
    heading.currentSector = state_.for_index.load();
    const QString folder =
        QDir(QDir(settings.destination).filePath(setup_.recFolderName)).filePath(modeFolderName(setup_.mode));
    const QString base = QStringLiteral("Unreadable sectors %1").arg(started_.toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")));
    if (!Create_Folder(folder)) {
        u.mapError = QStringLiteral("%1: the folder cannot be made").arg(folder);
        return;
    }
    u.mapFile = writeNewMapFile(folder, base, ddrescueMapText(map, domainEnd, heading), &u.mapError);
}

void SearchRun::Photo_Rec_Thread()
{
    resetSummary();
    CarveEngine engine(host_, state_, setup_, options_, &summary_, ticker_.get());
    runPasses(engine);
}

void SearchRun::Raw_File_Rec_Thread()
{
    resetSummary();
    CarveEngine engine(host_, state_, setup_, options_, &summary_, ticker_.get());
    runPasses(engine);
}

void SearchRun::resetSummary()
{
    // One summary row per type of the run; counts (and in the non-photo
    // modes the numbering) continue from the general pass into the thorough
    // pass.
    summary_.reset(sig::typesOf(setup_.generalTable, setup_.thoroughTable));
}

} // namespace ostrel
