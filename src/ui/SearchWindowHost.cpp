// Running a search from the window: the pre-flight check, starting the run
// on the engine host's worker thread, the search's requests as the window
// carries them out (on the main thread; WindowEngineHost hands them over),
// the Stop question, the end-of-run screen and the device alerts. What the
// end of a run decides and says is in wizard/EndOfRun.h.

#include "ui/MyTableController.h"

#include "app/PrivilegedRelaunch.h"
#include "app/UserPrograms.h"
#include "engine/EngineTexts.h"
#include "media/DeviceAccess.h"
#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/ResultsModel.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"
#include "util/TextHelpers.h"
#include "wizard/EndOfRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>

#include <climits>
#include <exception>
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
    // A previous run's thread may still be winding down after its final
    // screen; it has no more requests that wait for us, so this is short.
    host_->waitForWorker();
    resultsModel_->setPhotoMode(mode == 0);
    runFoundFiles_ = 0;
    state_.unreadable_sectors = 0;
    finalScreenPending_ = false;
    host_->start(std::move(setup), options_.engineOptions);
}

void MyTableController::workerEnded()
{
    emit searchThreadsFinished();
}

// ---------------------------------------------------------------------------
// What the search asks of the window (SearchView)

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

void MyTableController::listFoundFile(int mode, const QString& path, const QString& imageName,
                                      const QString& imageUid, const QString& type, quint64 typeCount)
{
    ++runFoundFiles_;
    if (mode == 0)
        addImageWithPath(path, imageName, imageUid);
    else
        addImageWithPath_2(path, imageName, imageUid, type, typeCount);
}

void MyTableController::showClearNoticeText(const QString& notice)
{
    ui->_ClearThumbnail_Label->setText(notice);
    ui->_ClearThumbnail_Label->show();
}

void MyTableController::runEnded(const ostrel::RunOutcome& outcome)
{
    runOutcome_ = outcome;
    // A preview holding its wait sheet shows the screen when it is done
    // (finishPreview).
    if (wizard::finalScreenNow(session))
        Final_or_Stop_Screen();
    else
        finalScreenPending_ = true;
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
    if (wizard::stopRequested(answer == 0, searchThreadsRunning(), state_.stop_screen_already_show != 0))
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
        if (wizard::continuesAfterEnd(continueAsked, runOutcome_.pass))
            continueSearchFrom(runOutcome_.pass.sector, runOutcome_.pass.rangeEnd);
    } catch (const std::exception& e) {
        Show_MessageBox(QString::fromLocal8Bit(e.what()));
    }
    emit finalScreenShown();
}

// The final screen's words for the run in runOutcome_.
void MyTableController::showFinalScreenTexts(SaveFile_Info* info)
{
    const SearchSettings settings = currentSearchSettings();
    wizard::EndFacts facts;
    facts.outcome = runOutcome_;
    facts.filesFound = runFoundFiles_;
    facts.folder = QDir::toNativeSeparators(QDir(ui->_path->text()).filePath(profile_.Rec_Folder_Name));
    facts.thorough = settings.thorough;
    facts.rangeOnly = settings.sectorRange && !settings.entireDisk;
    const wizard::EndScreen screen = wizard::endScreenFor(facts);
    static constexpr SaveFile_Info::Mood kMoods[] = {SaveFile_Info::Mood::Done, SaveFile_Info::Mood::Note,
                                                     SaveFile_Info::Mood::Warning};
    info->setTitle(screen.title, kMoods[static_cast<int>(screen.mood)]);
    info->setSummary(screen.summary);
    info->setUnreadableNotice(screen.notice);
    info->setContinueOffer(screen.continueOffer);
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
