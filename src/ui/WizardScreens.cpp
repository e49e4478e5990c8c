// The wizard: its screens, Next and Back, the mode and criteria radios, the
// range sliders and fields, the destination and the results folder button.
// Main thread only.

#include "ui/MyTableController.h"

#include "app/InvokingUser.h"

#include "engine/FileNaming.h"
#include "signatures/HexDecode.h"
#include "ui/ControlPanelWindow.h"
#include "media/DestinationGuard.h"
#include "ui/InfoWindows.h"
#include "ui/ResultsModel.h"
#include "ui/ThumbnailCache.h"
#include "ui/SectorSlider.h"
#include "ui/TableModels.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"
#include "util/TextHelpers.h"

#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QUrl>

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

void MyTableController::focusLater(QWidget* widget)
{
    // The alert that precedes a focus change has just closed; moving the
    // focus after it has handed the focus back keeps it where we put it.
    widget->setFocus(Qt::OtherFocusReason);
    QPointer<QWidget> target(widget);
    QTimer::singleShot(0, widget, [target] {
        if (target)
            target->setFocus(Qt::OtherFocusReason);
    });
}

void MyTableController::updateStepHeader()
{
    Ui::MainWindow& w = *ui;
    const bool photo = Recovery_MODE == 0;
    w._step_3->setVisible(!photo);
    w._step_sep_3->setVisible(!photo);
    w._step_4->setText(photo ? QStringLiteral("3  Search & results") : QStringLiteral("4  Search & results"));
    int current = 1;
    switch (screen_counter) {
    case 0: current = 1; break;
    case 1: current = 2; break;
    case 2: current = photo ? 4 : 3; break;
    default: current = 4; break;
    }
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
// Whole medium or sector range

void MyTableController::resetRange(SettingsSet& s, const QString& sectorsText)
{
    const qint64 sectors = sectorsText.toLongLong();
    s.startSlider->setRange64(0, sectors);
    s.startSlider->setValue64(0);
    s.startMin->setText(QStringLiteral("0"));
    s.startMax->setText(sectorsText);
    s.startField->setText(QStringLiteral("0"));
    s.endSlider->setRange64(0, sectors);
    s.endSlider->setValue64(sectors);
    s.endMin->setText(QStringLiteral("0"));
    s.endMax->setText(sectorsText);
    s.endField->setText(sectorsText);
}

void MyTableController::entireDisk(SettingsSet& s)
{
    setHelp(wintexts::helpEntireDisk);
    s.entire->setChecked(true);
    s.range->setChecked(false);
    s.summary->setHidden(false);
    s.rangeBlock->setHidden(true);
}

void MyTableController::sectorRange(SettingsSet& s)
{
    setHelp(wintexts::helpSectorRange);
    s.entire->setChecked(false);
    s.range->setChecked(true);
    s.summary->setHidden(true);
    resetRange(s, s.values[5]->text());
    s.rangeBlock->setHidden(false);
}

void MyTableController::Entire_Disk_Radio()
{
    entireDisk(photoSet_);
}

void MyTableController::Entire_Disk_Radio_Sig()
{
    entireDisk(sigSet_);
}

void MyTableController::Sector_Range_Radio()
{
    sectorRange(photoSet_);
}

void MyTableController::Sector_Range_Radio_Sig()
{
    sectorRange(sigSet_);
}

void MyTableController::sliderMoved(SectorSlider* slider, QLineEdit* field)
{
    field->setText(QString::number(slider->value64()));
}

void MyTableController::DO_Start_slider()
{
    sliderMoved(photoSet_.startSlider, photoSet_.startField);
}

void MyTableController::DO_End_slider()
{
    sliderMoved(photoSet_.endSlider, photoSet_.endField);
}

void MyTableController::DO_Start_slider_Sig()
{
    sliderMoved(sigSet_.startSlider, sigSet_.startField);
}

void MyTableController::DO_End_slider_Sig()
{
    sliderMoved(sigSet_.endSlider, sigSet_.endField);
}

void MyTableController::controlTextDidChange(QLineEdit* field)
{
    SectorSlider* slider = nullptr;
    for (SettingsSet* s : {&photoSet_, &sigSet_}) {
        if (field == s->startField)
            slider = s->startSlider;
        else if (field == s->endField)
            slider = s->endSlider;
    }
    if (!slider)
        return;
    // The number the text begins with; text that does not begin with one
    // counts as 0.
    const qint64 typed = leadingDecimal(field->text());
    const qint64 total = ui->_sectors_val->text().toLongLong();
    if (typed <= total)
        slider->setValue64(typed);
}

// ---------------------------------------------------------------------------
// Destination

void MyTableController::browsePath()
{
    dialogs_->runModal(browseInfoWindow());
    browseInfoWindow()->hide();
    // Under pkexec or sudo our home is root's: start in the user's.
    QString start = ui->_path->text();
    if (start.isEmpty())
        start = InvokingUser::current().home.isEmpty() ? QDir::homePath() : InvokingUser::current().home;
    const QString chosen = dialogs_->chooseFolder(controlPanel_, start);
    if (chosen.isEmpty())
        return;
    ui->_path->setText(chosen);
    ui->_path_Sig->setText(chosen);
}

void MyTableController::Browse_Path()
{
    browsePath();
}

void MyTableController::Browse_Path_Sig()
{
    browsePath();
}

void MyTableController::openResultsFolder()
{
    const QString folder = QDir(QDir(ui->_path->text()).filePath(profile_.Rec_Folder_Name))
                               .filePath(ostrel::modeFolderName(Recovery_MODE));
    if (!QFileInfo(folder).isDir()) {
        Show_MessageBox(wintexts::msgNoDestFolder);
        return;
    }
    dialogs_->openLocation(QUrl::fromLocalFile(folder));
}

void MyTableController::Open_Folder_btn()
{
    openResultsFolder();
}

void MyTableController::Open_Folder_btn_Sig()
{
    openResultsFolder();
}

// ---------------------------------------------------------------------------
// Checks

bool MyTableController::Check_For_Valid_Sec(const QString& text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool MyTableController::validRangeField(const QString& text) const
{
    const QString totalText = ui->_sectors_val->text();
    if (text.isEmpty() || leadingDecimal(text) < 0)
        return false;
    if (!Check_For_Valid_Sec(text))
        return false;
    if (text.size() > totalText.size())
        return false;
    return text.toDouble() <= totalText.toDouble();
}

// ---------------------------------------------------------------------------
// Next

bool MyTableController::nextFromMedium()
{
    Ui::MainWindow& w = *ui;
    const QModelIndexList selected = w.idTableView->selectionModel()->selectedRows();
    if (selected.isEmpty() || selected.first().row() >= mediaModel_->rows().size()) {
        Show_MessageBox(wintexts::msgSelectMedia);
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
    SettingsSet& s = set(Recovery_MODE);
    // 1. A destination, not on the medium being searched.
    if (s.path->text().isEmpty()) {
        Show_MessageBox(wintexts::msgDestination);
        focusLater(s.browse);
        return false;
    }
    const QString identifier = w._disk_identifier->text();
    const QString source = sourcePathFor(identifier);
    const bool onMedium = options_.destinationOnMedium
                              ? options_.destinationOnMedium(s.path->text(), identifier,
                                                             selectedMedium_.nsStrParentDisk, source)
                              : destguard::destinationOnMedium(s.path->text(), identifier,
                                                               selectedMedium_.nsStrParentDisk, source);
    if (onMedium) {
        Show_MessageBox(wintexts::msgDestinationOnMedium);
        focusLater(s.browse);
        return false;
    }
    // 2. The range, when one is chosen.
    if (s.range->isChecked() && !s.entire->isChecked()) {
        if (!validRangeField(s.startField->text())) {
            Show_MessageBox(wintexts::msgStartSector);
            focusLater(s.startField);
            return false;
        }
        if (!validRangeField(s.endField->text())) {
            Show_MessageBox(wintexts::msgEndSector);
            focusLater(s.endField);
            return false;
        }
        if (s.endField->text().toLongLong() <= s.startField->text().toLongLong()) {
            Show_MessageBox(wintexts::msgEndNotGreater);
            focusLater(s.endField);
            return false;
        }
    }
    // 3. Signature files that cannot be used: said now, before any reading.
    if (const QString problem = tables.loadProblem(Recovery_MODE); !problem.isEmpty()) {
        Show_MessageBox(problem);
        return false;
    }
    // 4. On to the next screen.
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
    if (!Check_For_One_Extension_Selection()) {
        Show_MessageBox(wintexts::msgNoExtension);
        focusLater(ui->idCheckTableView);
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
        if (screen_counter == 0)
            nextFromMedium();
        else if (screen_counter == 1)
            nextFromSettings();
        else if (screen_counter == 2 && Recovery_MODE != 0)
            nextFromFileTypes();
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
    if (searchThreadsRunning() && state_.stop_screen_already_show == 0)
        return;
    if (screen_counter == 1) {
        w._Search_Type->hide();
        setHelp(wintexts::helpMedium);
        w._sectors_val->setText(wintexts::none);
        w._disk_identifier->setText(wintexts::none);
        for (SettingsSet* s : {&photoSet_, &sigSet_}) {
            for (QLabel* value : s->values)
                value->setText(wintexts::none);
        }
        w._back_btn->setEnabled(false);
        screen_counter = 0;
        show_hide_2_screen(true); // the set of the mode being left
        Recovery_MODE = 0;
        setModeRadio(0);
        show_hide_1_screen(false);
        Reload_Drive_list_Function();
    } else if (screen_counter == 2) {
        SettingsSet& s = set(Recovery_MODE);
        setHelp(s.range->isChecked() && !s.entire->isChecked() ? wintexts::helpSectorRange : wintexts::helpEntireDisk);
        emptyResults();
        w._zoom_slider->setValue(50);
        zoomSliderDidChange();
        setHiddenAll({w._ClearThumbnail_Label, w._zoom_label, w._zoom_slider}, true);
        screen_counter = 1;
        show_hide_2_screen(false);
        if (Recovery_MODE == 0)
            show_hide_3_screen_Photo(true);
        else
            show_hide_3_screen_RawFile(true);
        setHiddenAll({w._open_folder, w._open_folder_Sig}, true);
        state_.stop_now = 0;
        state_.Listed_File_Count = 0;
    } else if (screen_counter == 3) {
        w._ClearThumbnail_Label->hide();
        emptyResults();
        setHiddenAll({w._open_folder, w._open_folder_Sig}, true);
        setHelp(wintexts::helpFileTypes);
        screen_counter = 2;
        show_hide_4_screen_RawFile(true);
        show_hide_3_screen_RawFile(false);
        state_.stop_now = 0;
        state_.Listed_File_Count = 0;
    }
    updateStepHeader();
}
