// The settings screen's controls: whole medium or sector range, the range
// sliders and fields, the destination and the results-folder button, and
// what the wizard's checks read from them. Main thread only.

#include "ui/MyTableController.h"

#include "app/InvokingUser.h"
#include "engine/FileNaming.h"
#include "device/DestinationGuard.h"
#include "signatures/HexDecode.h"
#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/SectorSlider.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QUrl>

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
// What the checks read, and where the focus goes after their alerts

wizard::SettingsInput MyTableController::settingsInput() const
{
    const SettingsSet& s = Recovery_MODE == 0 ? photoSet_ : sigSet_;
    wizard::SettingsInput in;
    in.destination = s.path->text();
    in.rangeChosen = s.range->isChecked() && !s.entire->isChecked();
    in.start = s.startField->text();
    in.end = s.endField->text();
    in.total = ui->_sectors_val->text();
    const QString identifier = ui->_disk_identifier->text();
    in.destinationOnMedium = [this, destination = in.destination, identifier] {
        const QString source = sourcePathFor(identifier);
        return options_.destinationOnMedium
                   ? options_.destinationOnMedium(destination, identifier, selectedMedium_.nsStrParentDisk, source)
                   : destguard::destinationOnMedium(destination, identifier, selectedMedium_.nsStrParentDisk, source);
    };
    in.tablesProblem = [this] { return tables.loadProblem(Recovery_MODE); };
    return in;
}

void MyTableController::focusAfterAlert(wizard::Focus focus)
{
    SettingsSet& s = set(Recovery_MODE);
    switch (focus) {
    case wizard::Focus::Destination: focusLater(s.browse); break;
    case wizard::Focus::StartField: focusLater(s.startField); break;
    case wizard::Focus::EndField: focusLater(s.endField); break;
    case wizard::Focus::TypeList: focusLater(ui->idCheckTableView); break;
    case wizard::Focus::None: break;
    }
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

