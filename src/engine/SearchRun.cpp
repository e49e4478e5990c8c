#include "engine/SearchRun.h"

#include "signatures/SignatureTable.h"

#include <system_error>

namespace ostrel {

SearchRun::SearchRun(EngineHost& host, RunState& state, RunSetup setup, EngineOptions options)
    : host_(host), state_(state), setup_(std::move(setup)), options_(std::move(options))
{
}

SearchRun::~SearchRun()
{
    join();
}

void SearchRun::start()
{
    if (worker_.joinable())
        return;
    try {
        worker_ = std::thread(&SearchRun::runWorker, this);
    } catch (const std::system_error& e) {
        failToStart(QString::fromLocal8Bit(e.what()));
        finished_ = true;
    }
}

void SearchRun::failToStart(const QString& why)
{
    startFailed_ = true;
    state_.stop_screen_already_show = 0; // this run's end is not handled yet
    host_.showMessageBox(QStringLiteral("The search could not be started: the system could not create a thread (%1).")
                             .arg(why));
    requestFinalScreenOnce();
}

void SearchRun::join()
{
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
        worker_.join();
}

void SearchRun::requestFinalScreenOnce()
{
    if (state_.claimRunEnd())
        host_.requestFinalScreen();
}

void SearchRun::runWorker()
{
    finished_ = false;
    state_.unreadable_sectors = 0;
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
    finished_ = true;
}

void SearchRun::Photo_Rec_Thread()
{
    state_.stop_screen_already_show = 0;
    CarveEngine engine(host_, state_, setup_, options_, nullptr, ticker_.get());
    generalOk_ = engine.Photo_Recovey_Mode(QStringLiteral("GEN"));
    if (generalOk_) {
        if (host_.readSearchSettings().thorough && state_.stop_screen_already_show == 0) {
            thoroughRan_ = true;
            engine.Photo_Recovey_Mode(QStringLiteral("THD"));
        }
    }
    if (state_.stop_screen_already_show == 0)
        requestFinalScreenOnce();
}

void SearchRun::Raw_File_Rec_Thread()
{
    state_.stop_screen_already_show = 0;
    // One summary row per type of the run; numbering continues from the
    // general pass into the thorough pass.
    QStringList types;
    for (const QStringList* table : {&setup_.generalTable, &setup_.thoroughTable}) {
        for (qsizetype k = 0; k < sig::entryCount(*table); ++k)
            types << sig::field(*table, k, sig::Extension);
    }
    types.removeDuplicates();
    summary_.reset(types);

    CarveEngine engine(host_, state_, setup_, options_, &summary_, ticker_.get());
    generalOk_ = engine.Raw_File_Recovey_Mode(QStringLiteral("GEN"));
    if (generalOk_) {
        if (host_.readSearchSettings().thorough && state_.stop_screen_already_show == 0) {
            thoroughRan_ = true;
            engine.Raw_File_Recovey_Mode(QStringLiteral("THD"));
        }
        if (state_.stop_screen_already_show == 0) {
            // A preview waiting for the user asks for the final screen
            // itself when it closes.
            if (host_.previewSessionOpen())
                state_.stop_now = 1;
            else
                requestFinalScreenOnce();
        }
    } else if (state_.stop_screen_already_show == 0) {
        requestFinalScreenOnce();
    }
}

} // namespace ostrel
