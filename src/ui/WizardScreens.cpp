// The wizard: its screens, Next and Back, the mode radios. Which screen
// comes when and what Next checks are rules of their own (wizard/WizardFlow.h,
// wizard/RangeCheck.h); here they are applied to the widgets. Main thread
// only.

#include "ui/MyTableController.h"

#include "engine/FileNaming.h"
#include "ui/ControlPanelWindow.h"
#include "device/DestinationGuard.h"
#include "ui/InfoWindows.h"
#include "ui/ResultsModel.h"
#include "ui/ThumbnailCache.h"
#include "ui/SectorSlider.h"
#include "ui/TableModels.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"
#include "util/TextHelpers.h"
#include "wizard/WizardFlow.h"

#include <QItemSelectionModel>
#include <QStyle>
#include <QTimer>

#include <exception>

namespace {
void setHiddenAll(std::initializer_list<QWidget*> widgets, bool hide)
{
    for (QWidget* w : widgets)
        w->setHidden(hide);
}
} // namespace

bool MyTableController::isPicturesEdition() const
{
    // The Pictures edition searches photos only and offers no mode choice.
    return profile_.edition == 6;
}

void MyTableController::setHelp(const QString& text)
{
    ui->_help_info->setText(text);
}

void MyTableController::updateStepHeader()
{
    Ui::MainWindow& w = *ui;
    const bool photo = Recovery_MODE == 0;
    w._step_3->setVisible(!photo);
    w._step_sep_3->setVisible(!photo);
    w._step_4->setText(photo ? QStringLiteral("3  Search & results") : QStringLiteral("4  Search & results"));
    const int current = wizard::headerStep(screen_counter, Recovery_MODE);
    QLabel* steps[4] = {w._step_1, w._step_2, w._step_3, w._step_4};
    for (int i = 0; i < 4; ++i) {
        const int number = i + 1;
        const char* state = number < current ? "done" : number == current ? "current" : "todo";
        if (steps[i]->property("stepState").toString() == QLatin1String(state))
            continue;
        steps[i]->setProperty("stepState", QString::fromLatin1(state));
        steps[i]->style()->unpolish(steps[i]);
        steps[i]->style()->polish(steps[i]);
    }
}

// ---------------------------------------------------------------------------
// Screens

void MyTableController::show_hide_1_screen(bool hide)
{
    Ui::MainWindow& w = *ui;
    setHiddenAll({w._screen_medium, w._media_card, w.idTableView, w._refresh_btn, w._media_title, w._media_hint}, hide);
    if (isPicturesEdition()) {
        setHiddenAll({w._mode_box, w._photo_mode_rd, w._video_mode_rd, w._rawfile_mode_rd, w._audio_mode_rd}, true);
    } else {
        setHiddenAll({w._mode_box, w._photo_mode_rd}, hide);
        w._video_mode_rd->setHidden(hide || profile_.video_dll.size() < 5);
        w._rawfile_mode_rd->setHidden(hide || profile_.raw_dll.size() < 5);
        w._audio_mode_rd->setHidden(hide || profile_.audio_dll.size() < 5);
    }
    controlPanel_->setWindowTitle(hide ? APP_LONG_NAME + QStringLiteral(" - ") + ostrel::modeFolderName(Recovery_MODE)
                                       : APP_LONG_NAME);
    updateStepHeader();
}

void MyTableController::show_hide_2_screen(bool hide)
{
    Ui::MainWindow& w = *ui;
    SettingsSet& s = set(Recovery_MODE);
    if (s.entire->isChecked() && !s.range->isChecked())
        s.summary->setHidden(hide);
    if (!s.entire->isChecked() && s.range->isChecked())
        s.rangeBlock->setHidden(hide);
    setHiddenAll({s.infoBox, s.destBox, s.destCaption, s.path, s.browse, s.criteriaBox, s.entire, s.range}, hide);
    if (Recovery_MODE == 0)
        setHiddenAll({w._thoro_box, w._Thro_Mode_Chk, w._Thro_Mode_caption, w._Thro_Mode_info, w._Cut_At_Header_Chk}, hide);
    s.screen->setHidden(hide);
    updateStepHeader();
}

void MyTableController::show_hide_3_screen_Photo(bool hide)
{
    Ui::MainWindow& w = *ui;
    setHiddenAll({w._screen_photo_results, w.idImagesclview, w.imageBrowser, w._progress_panel, w._Progress_Horz,
                  w._sector_label, w._Mode_label, w._stop_scan},
                 hide);
    w._next_btn->setEnabled(hide);
    w._back_btn->setEnabled(hide);
    updateStepHeader();
}

void MyTableController::show_hide_3_screen_RawFile(bool hide)
{
    Ui::MainWindow& w = *ui;
    setHiddenAll({w._screen_file_types, w.idCheckTableView, w._select_unselect_Chk, w._Thro_Mode_Chk_SIG}, hide);
    updateStepHeader();
}

void MyTableController::show_hide_4_screen_RawFile(bool hide)
{
    Ui::MainWindow& w = *ui;
    closemovie_Win();
    w._QuickLook_View->clear();
    if (!hide) {
        const bool movie = Recovery_MODE == 1 || Recovery_MODE == 3;
        w.mMovieView->setHidden(!movie);
        w._QuickLook_View->setHidden(movie);
    }
    setHiddenAll({w._screen_raw_results, w._open_folder_Sig, w._progress_panel, w._Progress_Horz, w._sector_label,
                  w._Mode_label, w._stop_scan, w.idImagesclview_2, w.imageBrowser_2, w._QuickLook_View_Box},
                 hide);
    w._next_btn->setEnabled(hide);
    w._back_btn->setEnabled(hide);
    if (Recovery_MODE == 1 || Recovery_MODE == 3) {
        w.mMovieView->setHidden(hide);
        closemovie_Win();
    } else if (Recovery_MODE == 2) {
        w._QuickLook_View->setHidden(hide);
        w._QuickLook_View->clear();
    }
    updateStepHeader();
}

// ---------------------------------------------------------------------------
// Mode radios

void MyTableController::setModeRadio(int mode)
{
    Ui::MainWindow& w = *ui;
    QRadioButton* radios[4] = {w._photo_mode_rd, w._video_mode_rd, w._rawfile_mode_rd, w._audio_mode_rd};
    // The four are exclusive; turning one on turns the others off.
    radios[mode]->setChecked(true);
    for (int i = 0; i < 4; ++i) {
        if (i != mode && radios[i]->isChecked())
            radios[i]->setChecked(false);
    }
    updateStepHeader();
}

void MyTableController::Photo_Mode_Radio()
{
    Recovery_MODE = 0;
    setModeRadio(0);
}

void MyTableController::Video_Mode_Radio()
{
    Recovery_MODE = 1;
    setModeRadio(1);
}

void MyTableController::RawFile_Mode_Radio()
{
    Recovery_MODE = 2;
    setModeRadio(2);
}

void MyTableController::Audio_Mode_Radio()
{
    Recovery_MODE = 3;
    setModeRadio(3);
}

// ---------------------------------------------------------------------------
// Next

bool MyTableController::nextFromMedium()
{
    Ui::MainWindow& w = *ui;
    const QModelIndexList selected = w.idTableView->selectionModel()->selectedRows();
    const wizard::CheckResult chosen =
        wizard::checkMediumChosen(!selected.isEmpty() && selected.first().row() < mediaModel_->rows().size());
    if (!chosen.ok()) {
        Show_MessageBox(chosen.message);
        return false;
    }
    selectedMedium_ = mediaModel_->rows().at(selected.first().row());
    const MyDataObject& row = selectedMedium_;
    screen_counter = 1;
    setHelp(wintexts::helpEntireDisk);

    SettingsSet& s = set(Recovery_MODE);
    s.path->setText(QString());
    s.entire->setChecked(true);
    s.range->setChecked(false);
    s.summary->setHidden(false);
    s.rangeBlock->setHidden(true);
    w._disk_identifier->setText(row.nsStrDiskIdentifier);
    w._sectors_val->setText(row.nsStrSectors);
    s.values[0]->setText(row.nsStrDiskIdentifier);
    s.values[1]->setText(row.nsStrVolName);
    s.values[2]->setText(row.nsStrFileSystem);
    s.values[3]->setText(row.nsStrSize);
    s.values[4]->setText(QStringLiteral("0"));
    s.values[5]->setText(row.nsStrSectors);
    resetRange(s, row.nsStrSectors);

    if (Recovery_MODE == 0)
        w._Thro_Mode_Chk->setChecked(true);
    w._Search_Type->setText(wintexts::searchTypeCaption(Recovery_MODE));
    w._Search_Type->show();

    w._back_btn->setEnabled(true);
    show_hide_1_screen(true);
    show_hide_2_screen(false);
    return true;
}

bool MyTableController::nextFromSettings()
{
    Ui::MainWindow& w = *ui;
    // The destination, the range, the signature files: the first refusal wins.
    if (const wizard::CheckResult refused = wizard::checkSettings(settingsInput()); !refused.ok()) {
        Show_MessageBox(refused.message);
        focusAfterAlert(refused.focus);
        return false;
    }
    // On to the next screen.
    screen_counter = 2;
    w._Thro_Mode_Chk_SIG->setChecked(true);
    w._select_unselect_Chk->setChecked(true);
    show_hide_2_screen(true);
    state_.stop_now = 0;
    state_.Listed_File_Count = 0;
    if (Recovery_MODE == 0) {
        show_hide_3_screen_Photo(false);
        startSearch(0);
    } else {
        buildExtensionList();
        setHelp(wintexts::helpFileTypes);
        show_hide_3_screen_RawFile(false);
        sortExtensionList();
    }
    return true;
}

bool MyTableController::nextFromFileTypes()
{
    applyExtensionSelection();
    if (const wizard::CheckResult refused = wizard::checkTypesChosen(Check_For_One_Extension_Selection());
        !refused.ok()) {
        Show_MessageBox(refused.message);
        focusAfterAlert(refused.focus);
        return false;
    }
    screen_counter = 3;
    show_hide_3_screen_RawFile(true);
    show_hide_4_screen_RawFile(false);
    startSearch(Recovery_MODE);
    return true;
}

void MyTableController::Next_btn()
{
    try {
        switch (wizard::nextStep(screen_counter, Recovery_MODE)) {
        case wizard::NextStep::CheckMedium: nextFromMedium(); break;
        case wizard::NextStep::CheckSettings: nextFromSettings(); break;
        case wizard::NextStep::CheckFileTypes: nextFromFileTypes(); break;
        case wizard::NextStep::Nothing: break;
        }
    } catch (const std::exception& e) {
        Show_NSLog_Message(QString::fromLocal8Bit(e.what()));
    }
}

// ---------------------------------------------------------------------------
// Back

void MyTableController::emptyResults()
{
    resultsModel_->clear();
    thumbnails_->clear(); // decodes queued for the items just dropped are not needed
    Prev_Index = kNoPreviewIndex;
}

void MyTableController::Back_btn()
{
    Ui::MainWindow& w = *ui;
    // While a search runs Back is disabled; a click that slips through is ignored.
    if (!wizard::backAllowed(searchThreadsRunning(), state_.stop_screen_already_show != 0))
        return;
    const wizard::Screen leaving = wizard::screenOf(screen_counter, Recovery_MODE);
    if (leaving == wizard::Screen::Medium)
        return;
    screen_counter = wizard::backFrom(screen_counter);
    if (leaving == wizard::Screen::Settings) {
        w._Search_Type->hide();
        setHelp(wintexts::helpMedium);
        w._sectors_val->setText(wintexts::none);
        w._disk_identifier->setText(wintexts::none);
        for (SettingsSet* s : {&photoSet_, &sigSet_}) {
            for (QLabel* value : s->values)
                value->setText(wintexts::none);
        }
        w._back_btn->setEnabled(false);
        show_hide_2_screen(true); // the set of the mode being left
        Recovery_MODE = 0;
        setModeRadio(0);
        show_hide_1_screen(false);
        Reload_Drive_list_Function();
    } else if (screen_counter == 1) { // from photo results or from the file types
        SettingsSet& s = set(Recovery_MODE);
        setHelp(s.range->isChecked() && !s.entire->isChecked() ? wintexts::helpSectorRange : wintexts::helpEntireDisk);
        emptyResults();
        w._zoom_slider->setValue(50);
        zoomSliderDidChange();
        setHiddenAll({w._ClearThumbnail_Label, w._zoom_label, w._zoom_slider}, true);
        show_hide_2_screen(false);
        if (Recovery_MODE == 0)
            show_hide_3_screen_Photo(true);
        else
            show_hide_3_screen_RawFile(true);
        setHiddenAll({w._open_folder, w._open_folder_Sig}, true);
        state_.stop_now = 0;
        state_.Listed_File_Count = 0;
    } else { // from the results of the other modes to their file types
        w._ClearThumbnail_Label->hide();
        emptyResults();
        setHiddenAll({w._open_folder, w._open_folder_Sig}, true);
        setHelp(wintexts::helpFileTypes);
        show_hide_4_screen_RawFile(true);
        show_hide_3_screen_RawFile(false);
        state_.stop_now = 0;
        state_.Listed_File_Count = 0;
    }
    updateStepHeader();
}
