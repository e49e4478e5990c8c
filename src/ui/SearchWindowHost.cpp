// Running a search from the window: the pre-flight check, the worker thread
// (which runs the engine's SearchRun and with it the progress ticker), the
// engine's requests carried out on the main thread, the Stop question, the
// end-of-run screen and the device alerts.

#include "ui/MyTableController.h"

#include "app/PrivilegedRelaunch.h"
#include "app/UserPrograms.h"
#include "engine/EngineTexts.h"
#include "engine/SearchRun.h"
#include "media/DeviceAccess.h"
#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/MainThreadMailbox.h"
#include "ui/ResultsModel.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"
#include "util/TextHelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <climits>
#include <exception>
#include <system_error>
#include <unistd.h>

namespace {

// Sets a progress bar to `done` of `total`. QProgressBar counts in int; a
// range beyond that is shown on a fixed scale so the bar stays correct for
// media of billions of sectors.
void setProgress64(QProgressBar* bar, quint64 done, quint64 total)
{
    if (total == 0) {
        bar->setRange(0, 1); // 0..0 would turn the bar into a busy indicator
        bar->setValue(0);
        return;
    }
    done = std::min(done, total);
    if (total <= static_cast<quint64>(INT_MAX)) {
        bar->setRange(0, static_cast<int>(total));
        bar->setValue(static_cast<int>(done));
        return;
    }
    constexpr int kScale = 1 << 30;
    bar->setRange(0, kScale);
    bar->setValue(static_cast<int>(static_cast<unsigned __int128>(done) * kScale / total));
}

} // namespace

// ---------------------------------------------------------------------------
// Starting and ending the threads

void MyTableController::Check_Have_Permissions()
{
    const QString identifier = ui->_disk_identifier->text();
    const QString source = sourcePathFor(identifier);
    const QString bundleId = applicationBundleIdentifier(profile_);
    if (source.isEmpty())
        ::Check_Have_Permissions(identifier, pFile_Disk, bundleId);
    else
        checkDeviceOpen(source, pFile_Disk, bundleId);
}

void MyTableController::startSearch(int mode)
{
    Check_Have_Permissions();
    // A previous run's thread may still be winding down after its final
    // screen; it has no more requests that wait for us, so this is short.
    waitForWorker();

    ostrel::RunSetup setup;
    setup.mode = mode;
    if (mode == 0) {
        setup.generalTable = tables.Ext_Array;
        setup.thoroughTable = tables.Adv_Ext_Array;
    } else {
        setup.generalTable = CheckListHeader_Array;
        setup.thoroughTable = CheckListHeader_Adv_Array;
    }
    setup.recFolderName = profile_.Rec_Folder_Name;
    resultsModel_->setPhotoMode(mode == 0);
    runFoundFiles_ = 0;
    state_.unreadable_sectors = 0;
    finalScreenPending_ = false;

    run_ = std::make_unique<ostrel::SearchRun>(*this, state_, std::move(setup), options_.engineOptions);
    const quint64 generation = ++runGeneration_;
    workerDone_ = false;
    ostrel::SearchRun* run = run_.get();
    try {
        worker_ = std::thread([this, run, generation] {
            run->runWorker();
            workerDone_ = true;
            onMainThread([this, generation] { onWorkerFinished(generation); }, false);
        });
    } catch (const std::system_error& e) {
        // No thread could be made (a process or memory limit): the run ends
        // with a message instead of taking the program down.
        run->failToStart(QString::fromLocal8Bit(e.what()));
        run_.reset();
        workerDone_ = true;
    }
}

void MyTableController::onWorkerFinished(quint64 generation)
{
    if (generation != runGeneration_ || !worker_.joinable())
        return; // a later run has taken over; its own notice will come
    worker_.join();
    run_.reset();
    emit searchThreadsFinished();
}

void MyTableController::waitForWorker()
{
    if (!worker_.joinable())
        return;
    // The worker may be waiting for a request of its own; deliver those
    // (only this mailbox's wake-ups) until it has ended.
    while (!workerDone_) {
        QCoreApplication::sendPostedEvents(mailbox_, QEvent::MetaCall);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    worker_.join();
    run_.reset();
}

// ---------------------------------------------------------------------------
// The engine's requests (worker or ticker thread)

SearchSettings MyTableController::readSearchSettings()
{
    SearchSettings settings;
    onMainThread([&settings, this] { settings = currentSearchSettings(); }, true);
    return settings;
}

void MyTableController::beginPass(int mode, bool general, const QString& modeLabel)
{
    onMainThread([=, this] { onBeginPass(mode, general, modeLabel); }, true);
}

void MyTableController::showProgress(const ProgressSnapshot& progress)
{
    onMainThread([progress, this] { applyProgress(progress); }, false);
}

void MyTableController::passRunning(const QString& helpText)
{
    onMainThread([helpText, this] { onPassRunning(helpText); }, false);
}

void MyTableController::listFile(int mode, const QString& path, const QString& imageName, const QString& imageUid)
{
    onMainThread(
        [=, this] {
            ++runFoundFiles_;
            if (mode == 0)
                addImageWithPath(path, imageName, imageUid);
            else
                addImageWithPath_2(path, imageName, imageUid);
        },
        true);
}

void MyTableController::showClearNotice(const QString& notice)
{
    onMainThread(
        [notice, this] {
            ui->_ClearThumbnail_Label->setText(notice);
            ui->_ClearThumbnail_Label->show();
        },
        false);
}

void MyTableController::clearFileList(int)
{
    onMainThread([this] { emptyResults(); }, true);
}

void MyTableController::showMessageBox(const QString& text)
{
    Show_MessageBox(text);
}

void MyTableController::requestFinalScreen(const ostrel::RunOutcome& outcome)
{
    onMainThread(
        [this, outcome] {
            runOutcome_ = outcome;
            // A preview holding its wait sheet shows the screen when it is
            // done (finishPreview).
            if (session)
                finalScreenPending_ = true;
            else
                Final_or_Stop_Screen();
        },
        false);
}

void MyTableController::wizardStepBack(int mode)
{
    onMainThread([mode, this] { onWizardStepBack(mode); }, false);
}

void MyTableController::showPermissionAlert(int err)
{
    onMainThread([err, this] { showPermissionAlertAndGuideUser(err); }, true);
}

void MyTableController::showGenericErrorAlert(int err)
{
    onMainThread([err, this] { genericErrorAlert(err); }, true);
}

void MyTableController::progressTick(const ProgressSnapshot& progress)
{
    onMainThread([progress, this] { timerTickSetLabel(progress); }, false);
}

// ---------------------------------------------------------------------------
// Their main-thread halves

SearchSettings MyTableController::currentSearchSettings() const
{
    Ui::MainWindow& w = *ui;
    const SettingsSet& s = Recovery_MODE == 0 ? photoSet_ : sigSet_;
    SearchSettings settings;
    settings.diskIdentifier = w._disk_identifier->text();
    settings.sourcePath = sourcePathFor(settings.diskIdentifier);
    settings.sectorCount = w._sectors_val->text().toULongLong();
    settings.entireDisk = s.entire->isChecked();
    settings.sectorRange = s.range->isChecked();
    settings.startSector = s.startField->text().toULongLong();
    settings.endSector = s.endField->text().toULongLong();
    settings.destination = w._path->text();
    settings.thorough = Recovery_MODE == 0 ? w._Thro_Mode_Chk->isChecked() : w._Thro_Mode_Chk_SIG->isChecked();
    settings.cutAtNextHeader =
        Recovery_MODE == 0 ? w._Cut_At_Header_Chk->isChecked() : w._Cut_At_Header_Chk_Sig->isChecked();
    return settings;
}

void MyTableController::onBeginPass(int mode, bool general, const QString& modeLabel)
{
    Ui::MainWindow& w = *ui;
    w._Mode_label->setText(modeLabel);
    if (!general)
        return;
    emptyResults();
    if (mode == 0) {
        w._zoom_slider->setValue(50);
        zoomSliderDidChange();
    } else {
        w._QuickLook_View_Box->setTitle(texts::noPreviewTitle);
    }
}

void MyTableController::applyProgress(const ProgressSnapshot& progress)
{
    Ui::MainWindow& w = *ui;
    w._sector_label->setText(progress.sectorLabel);
    setProgress64(w._Progress_Horz, progress.done, progress.total);
}

void MyTableController::onPassRunning(const QString& helpText)
{
    Ui::MainWindow& w = *ui;
    w._Thro_Mode_Chk->setEnabled(false);
    w._browse_path->setEnabled(false);
    w._Progress_Horz->setValue(w._Progress_Horz->minimum());
    setHelp(helpText);
}

void MyTableController::timerTickSetLabel(const ProgressSnapshot& progress)
{
    applyProgress(progress);
    ui->_Mode_label->setText(progress.modeLabel);
}

void MyTableController::onWizardStepBack(int mode)
{
    Ui::MainWindow& w = *ui;
    --screen_counter;
    if (mode == 0) {
        show_hide_2_screen(false);
        show_hide_3_screen_Photo(true);
    } else {
        show_hide_3_screen_RawFile(false);
        show_hide_4_screen_RawFile(true);
    }
    w._open_folder->hide();
}

// ---------------------------------------------------------------------------
// Stop and the end of a run

void MyTableController::stop_usb_disk()
{
    const int answer = dialogs_->runAlert(
        controlPanel_, {wintexts::askStop, QString(), {wintexts::yes, wintexts::no}, AlertText::Kind::Question});
    // The run may have ended while the question was up; a late Yes must not
    // leave a stop request behind for the next run.
    if (answer == 0 && searchThreadsRunning() && state_.stop_screen_already_show == 0)
        state_.stop_now = 1;
}

void MyTableController::Final_or_Stop_Screen()
{
    Ui::MainWindow& w = *ui;
    try {
        state_.stop_now = 1;
        state_.stop_screen_already_show = 1;
        setHelp(wintexts::helpSearchEnded);
        // The device and the output files belong to the pass, which closed
        // them before it asked for this screen.
        w._Mode_label->hide();
        w._Progress_Horz->hide();
        w._sector_label->hide();
        w._stop_scan->hide();
        w._progress_panel->setVisible(!w._ClearThumbnail_Label->isHidden());

        SaveFile_Info* info = saveFileInfoWindow();
        showFinalScreenTexts(info);
        const bool continueAsked = dialogs_->runModal(info) == SaveFile_Info::ContinueCode;
        info->hide();

        state_.stop_now = 0;
        if (Recovery_MODE == 0) {
            w._zoom_label->show();
            w._zoom_slider->show();
            w._open_folder->show();
        } else {
            w._zoom_label->hide();
            w._zoom_slider->hide();
            w._open_folder_Sig->show();
        }
        w._back_btn->setEnabled(true);
        w._browse_path->setEnabled(true);
        w._Thro_Mode_Chk->setEnabled(true);
        if (continueAsked && runOutcome_.pass.canContinue())
            continueSearchFrom(runOutcome_.pass.sector, runOutcome_.pass.rangeEnd);
    } catch (const std::exception& e) {
        Show_MessageBox(QString::fromLocal8Bit(e.what()));
    }
    emit finalScreenShown();
}

// The final screen's words for the run in runOutcome_.
void MyTableController::showFinalScreenTexts(SaveFile_Info* info)
{
    using ostrel::PassEnd;
    const ostrel::PassOutcome& p = runOutcome_.pass;
    const ostrel::UnreadableSummary& u = runOutcome_.unreadable;
    using Mood = SaveFile_Info::Mood;
    switch (p.end) {
    case PassEnd::Stopped: info->setTitle(wintexts::endTitleStopped, Mood::Warning); break;
    case PassEnd::MediumGone: info->setTitle(wintexts::endTitleGone, Mood::Warning); break;
    case PassEnd::Failed: info->setTitle(wintexts::endTitleFailed, Mood::Warning); break;
    case PassEnd::DestinationFailed: info->setTitle(wintexts::endTitleNotSaved, Mood::Warning); break;
    case PassEnd::Completed:
    case PassEnd::SourceFailed:
        info->setTitle(wintexts::endTitleDone,
                       u.count > 0 ? Mood::Warning : runFoundFiles_ == 0 ? Mood::Note : Mood::Done);
        break;
    }

    QStringList summary;
    if (p.end == PassEnd::Stopped)
        summary << (p.canContinue() ? wintexts::endStoppedAt.arg(p.sector).arg(p.rangeEnd) : wintexts::endStoppedInRetry);
    if (p.end == PassEnd::MediumGone)
        summary << (p.anySectorRead ? wintexts::endGoneAfter.arg(p.sector) : wintexts::endGoneAtOnce);
    if (p.end == PassEnd::Failed)
        summary << wintexts::endFailed.arg(p.message);
    const QString folder = QDir::toNativeSeparators(QDir(ui->_path->text()).filePath(profile_.Rec_Folder_Name));
    if (runFoundFiles_ == 0) {
        summary << wintexts::endNoFiles;
        if (p.end == PassEnd::Completed || p.end == PassEnd::Stopped) {
            const SearchSettings settings = currentSearchSettings();
            QStringList hints{wintexts::hintOtherMode};
            if (!settings.thorough)
                hints << wintexts::hintThorough;
            if (settings.sectorRange && !settings.entireDisk)
                hints << wintexts::hintWholeDisk;
            summary << wintexts::endNoFilesHint.arg(hints.join(QStringLiteral(", ")));
        }
    } else {
        summary << (runFoundFiles_ == 1 ? wintexts::endOneFile.arg(folder)
                                        : wintexts::endFiles.arg(runFoundFiles_).arg(folder));
    }
    info->setSummary(summary.join(QStringLiteral("\n\n")));

    QStringList notice;
    if (u.count > 0)
        notice << wintexts::endUnreadable.arg(u.count).arg(ostrel::describeRanges(u.firstRanges, u.otherRanges));
    if (u.readOnRetry > 0)
        notice << wintexts::endReadOnRetry.arg(u.readOnRetry);
    if (!u.mapFile.isEmpty())
        notice << wintexts::endMapFile.arg(QDir::toNativeSeparators(u.mapFile));
    info->setUnreadableNotice(notice.join(u' '));
    info->setContinueOffer(p.canContinue() ? wintexts::continueButton.arg(p.sector) : QString());
}

void MyTableController::continueSearchFrom(quint64 sector, quint64 end)
{
    // Photo mode goes back to the settings, the other modes to their file
    // types (which keep their ticks); the range of the settings is set
    // either way, and Next starts the search.
    const int mode = Recovery_MODE;
    Back_btn();
    SettingsSet& s = set(mode);
    sectorRange(s);
    s.startSlider->setValue64(static_cast<qint64>(sector));
    s.endSlider->setValue64(static_cast<qint64>(end));
    s.startField->setText(QString::number(sector));
    s.endField->setText(QString::number(end));
    setHelp(wintexts::helpContinue.arg(sector).arg(end));
}

// ---------------------------------------------------------------------------
// Device alerts

void MyTableController::showPermissionAlertAndGuideUser(int)
{
    const QString program = QCoreApplication::applicationName();
    const int answer = dialogs_->runAlert(controlPanel_,
                                          {wintexts::permissionTitle, wintexts::permissionInfo.arg(program),
                                           {wintexts::permissionButton, wintexts::permissionCancel},
                                           AlertText::Kind::Warning});
    if (answer == 0)
        openSystemSettingsToPrivacyPane();
}

void MyTableController::genericErrorAlert(int err)
{
    dialogs_->runAlert(controlPanel_, {wintexts::deviceErrorTitle, wintexts::deviceErrorInfo.arg(deviceErrorText(err)),
                                       {wintexts::ok}, AlertText::Kind::Critical});
}

void MyTableController::openSystemSettingsToPrivacyPane()
{
    if (options_.relaunchAsAdministrator) {
        if (options_.relaunchAsAdministrator())
            endForRelaunch();
        return;
    }
    relaunchAsAdministrator();
}

void MyTableController::endForRelaunch()
{
    // The privileged copy takes over; this one leaves without the exit
    // question (the user has just asked for the restart).
    exitConfirmed_ = true;
    if (options_.terminate)
        options_.terminate();
    else
        QCoreApplication::quit();
}

void MyTableController::relaunchAsAdministrator()
{
    if (::geteuid() == 0 || relaunchPid_ > 0)
        return; // already administrator, or a password prompt is up
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QStringList args = QCoreApplication::arguments();
    QString executable = launcherExecutablePath(args.value(0), QDir::currentPath(), env.value(QStringLiteral("PATH")));
    const QString programFile = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (executable.isEmpty())
        executable = programFile;
    // The edition is the one running here, whatever the program file's name.
    executable = QFileInfo(executable).dir().filePath(QCoreApplication::applicationName());
    const RelaunchPlan plan =
        planRelaunch(executable, programFile, false, env, QStandardPaths::findExecutable(QStringLiteral("pkexec")));
    if (plan.request.program.isEmpty()) {
        Show_MessageBox(plan.message);
        return;
    }
    ProgramStart start{plan.request.program, plan.request.arguments, env, QString()};
    start.nullInput = false;
    LaunchOutcome outcome;
    relaunchPid_ = spawnChild(start, &outcome.error);
    if (relaunchPid_ < 0) {
        relaunchPid_ = 0;
        Show_MessageBox(launchFailureText(QCoreApplication::applicationName(), outcome, start.program));
        return;
    }
    // pkexec must keep its parent while it asks for the password: this
    // window stays until the copy has taken over, then leaves.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, program = start.program] {
        int status = 0;
        const TakeOver state = pollTakeOver(relaunchPid_, &status);
        if (state == TakeOver::Waiting)
            return;
        poll->deleteLater();
        relaunchPid_ = 0;
        if (state == TakeOver::TookOver || status == 0) {
            endForRelaunch();
            return;
        }
        LaunchOutcome outcome;
        outcome.kind = status == 126 ? LaunchOutcome::Kind::Refused : LaunchOutcome::Kind::Failed;
        outcome.status = status;
        Show_MessageBox(launchFailureText(QCoreApplication::applicationName(), outcome, program));
    });
    poll->start(100);
}
