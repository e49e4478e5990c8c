#include "ui/InfoWindows.h"

#include "ui/LinkButton.h"
#include "ui/PlainText.h"
#include "ui_About.h"
#include "ui_BrowseInfo.h"
#include "ui_ClearPreview.h"
#include "ui_HelpSupport.h"
#include "ui_LoadDisk.h"
#include "ui_SaveFileInfo.h"

#include <QIcon>

namespace {

void setLinkTitles(LinkButton* website, LinkButton* support, const QString& site, const QString& supportId)
{
    website->setText(websiteLinkTitle(site));
    website->setToolTip(site);
    support->setText(supportId);
    support->setToolTip(QStringLiteral("Write to support"));
}

// The link windows paint their own ground (the style sheet's), whatever the
// desktop's window background.
void prepareWindow(QDialog* window)
{
    window->setAttribute(Qt::WA_TranslucentBackground, false);
    window->setAutoFillBackground(true);
}

} // namespace

Browse_Info::Browse_Info(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::BrowseInfo>())
{
    ui->setupUi(this);
    makeLabelsPlainText(this);
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
    makeLabelsPlainText(this);
    prepareWindow(this);
    setWindowModality(Qt::ApplicationModal);
    ui->_info_icon->setPixmap(QIcon(QStringLiteral(":/icons/done.svg")).pixmap(40, 40));
    ui->_summary_label->hide();
    ui->_unreadable_label->hide();
    ui->_continue_btn->hide();
    connect(ui->_ok_btn, &QPushButton::clicked, this, &SaveFile_Info::OK_Btn);
    connect(ui->_continue_btn, &QPushButton::clicked, this, [this] { done(ContinueCode); });
    connect(ui->_website_link, &QPushButton::clicked, this, &SaveFile_Info::websiteClicked);
    connect(ui->_support_link, &QPushButton::clicked, this, &SaveFile_Info::supportClicked);
}

SaveFile_Info::~SaveFile_Info() = default;

void SaveFile_Info::OK_Btn()
{
    done(1);
}

void SaveFile_Info::setTitle(const QString& title, Mood mood)
{
    ui->_info_title->setText(title);
    const QString icon = mood == Mood::Warning ? QStringLiteral(":/icons/alert-warning.svg")
                         : mood == Mood::Note  ? QStringLiteral(":/icons/alert-info.svg")
                                               : QStringLiteral(":/icons/done.svg");
    ui->_info_icon->setPixmap(QIcon(icon).pixmap(40, 40));
}

QString SaveFile_Info::title() const
{
    return ui->_info_title->text();
}

void SaveFile_Info::setContinueOffer(const QString& text)
{
    ui->_continue_btn->setText(text);
    ui->_continue_btn->setVisible(!text.isEmpty());
}

QString SaveFile_Info::continueOffer() const
{
    return ui->_continue_btn->isHidden() ? QString() : ui->_continue_btn->text();
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

void SaveFile_Info::setLinks(const QString& website, const QString& supportId)
{
    setLinkTitles(ui->_website_link, ui->_support_link, website, supportId);
}

LinkButton* SaveFile_Info::websiteLink() const { return ui->_website_link; }
LinkButton* SaveFile_Info::supportLink() const { return ui->_support_link; }

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::About>())
{
    ui->setupUi(this);
    makeLabelsPlainText(this);
    prepareWindow(this);
    setWindowModality(Qt::WindowModal);
    ui->_info_icon->setPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(48, 48));
    connect(ui->_close_btn, &QPushButton::clicked, this, [this] { done(1); });
    connect(ui->_website_link, &QPushButton::clicked, this, &AboutWindow::websiteClicked);
    connect(ui->_support_link, &QPushButton::clicked, this, &AboutWindow::supportClicked);
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::setProduct(const QString& longName, const QString& version)
{
    setWindowTitle(QStringLiteral("About ") + longName);
    ui->_info_title->setText(longName);
    ui->_version_label->setText(QStringLiteral("Version ") + version);
}

void AboutWindow::setLinks(const QString& website, const QString& supportId)
{
    setLinkTitles(ui->_website_link, ui->_support_link, website, supportId);
}

LinkButton* AboutWindow::websiteLink() const { return ui->_website_link; }
LinkButton* AboutWindow::supportLink() const { return ui->_support_link; }
QString AboutWindow::productCaption() const { return ui->_info_title->text(); }

Help_Support::Help_Support(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::HelpSupport>())
{
    ui->setupUi(this);
    makeLabelsPlainText(this);
    prepareWindow(this);
    setWindowModality(Qt::WindowModal);
    // The header icons are drawn light for the dark title bar; the window
    // uses the program's own icon.
    ui->_info_icon->setPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(48, 48));
    connect(ui->_close_btn, &QPushButton::clicked, this, [this] { done(1); });
    connect(ui->_website_link, &QPushButton::clicked, this, &Help_Support::websiteClicked);
    connect(ui->_support_link, &QPushButton::clicked, this, &Help_Support::supportClicked);
    connect(ui->_copy_email_btn, &QPushButton::clicked, this, &Help_Support::copyEmailClicked);
    connect(ui->_copy_url_btn, &QPushButton::clicked, this, &Help_Support::copyUrlClicked);
    connect(ui->_copy_url2_btn, &QPushButton::clicked, this, &Help_Support::copyUrl2Clicked);
    connect(ui->_help_file_btn, &QPushButton::clicked, this, &Help_Support::HelpFilePressed);
}

Help_Support::~Help_Support() = default;

void Help_Support::setLinks(const QString& website, const QString& supportId)
{
    setLinkTitles(ui->_website_link, ui->_support_link, website, supportId);
}

LinkButton* Help_Support::websiteLink() const { return ui->_website_link; }
LinkButton* Help_Support::supportLink() const { return ui->_support_link; }

QWidget* Help_Support::button(const char* objectName) const
{
    return findChild<QWidget*>(QString::fromLatin1(objectName));
}

LoadDiskPanel::LoadDiskPanel(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::LoadDisk>())
{
    ui->setupUi(this);
    makeLabelsPlainText(this);
    setWindowModality(Qt::WindowModal);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
}

LoadDiskPanel::~LoadDiskPanel() = default;

ClearPreview_Modeless::ClearPreview_Modeless(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::ClearPreview>())
{
    ui->setupUi(this);
    makeLabelsPlainText(this);
    setWindowModality(Qt::WindowModal);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
}

ClearPreview_Modeless::~ClearPreview_Modeless() = default;
