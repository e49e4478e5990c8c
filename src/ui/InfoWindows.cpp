#include "ui/InfoWindows.h"

#include "ui_BrowseInfo.h"
#include "ui_LoadDisk.h"
#include "ui_SaveFileInfo.h"

#include <QIcon>

Browse_Info::Browse_Info(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::BrowseInfo>())
{
    ui->setupUi(this);
    setWindowModality(Qt::WindowModal);
    ui->_info_icon->setPixmap(QIcon(QStringLiteral(":/icons/folder.svg")).pixmap(40, 40));
    connect(ui->_continue_btn, &QPushButton::clicked, this, &Browse_Info::Continue_Btn);
}

Browse_Info::~Browse_Info() = default;

void Browse_Info::Continue_Btn()
{
    done(1);
}

SaveFile_Info::SaveFile_Info(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::SaveFileInfo>())
{
    ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    ui->_info_icon->setPixmap(QIcon(QStringLiteral(":/icons/done.svg")).pixmap(40, 40));
    ui->_summary_label->hide();
    ui->_unreadable_label->hide();
    connect(ui->_ok_btn, &QPushButton::clicked, this, &SaveFile_Info::OK_Btn);
}

SaveFile_Info::~SaveFile_Info() = default;

void SaveFile_Info::OK_Btn()
{
    done(1);
}

void SaveFile_Info::setSummary(const QString& text)
{
    ui->_summary_label->setText(text);
    ui->_summary_label->setVisible(!text.isEmpty());
}

void SaveFile_Info::setUnreadableNotice(const QString& text)
{
    ui->_unreadable_label->setText(text);
    ui->_unreadable_label->setVisible(!text.isEmpty());
}

QString SaveFile_Info::summary() const
{
    return ui->_summary_label->text();
}

QString SaveFile_Info::unreadableNotice() const
{
    return ui->_unreadable_label->text();
}

LoadDiskPanel::LoadDiskPanel(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::LoadDisk>())
{
    ui->setupUi(this);
    setWindowModality(Qt::WindowModal);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
}

LoadDiskPanel::~LoadDiskPanel() = default;
