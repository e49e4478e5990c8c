// Help, support and about: the help file, the about and help-and-support
// windows, the links to the edition's web sites and support address, and
// copying them. The addresses come from the edition profile.

#include "ui/MyTableController.h"

#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowTexts.h"
#include "util/TextHelpers.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

QString MyTableController::makeSupportMailLink(const QString& supportId, const QString& longName)
{
    // 1. Address and subject.
    QString link = QStringLiteral("mailto:") + supportId + QStringLiteral("?subject=") + longName +
                   QStringLiteral("%20Question");
    // 2. The body: a greeting, the difficulty, the order number, and a
    // questionnaire with empty answers, its line breaks and blanks written
    // as "%0A" and "%20".
    QString body = QStringLiteral("Dear Customer Support,\n\n") + QStringLiteral("I am having difficulties in using ") +
                   longName + QStringLiteral(".\n\n") +
                   QStringLiteral("Order number (required): \n\n") +
                   QStringLiteral("Please answer the following:\n") +
                   QStringLiteral("Operating system: \n") +
                   QStringLiteral("Security, antivirus or firewall software in use: \n") +
                   QStringLiteral("Hardware configuration: \n") +
                   QStringLiteral("Storage media (media type, storage capacity, manufacturer): \n") +
                   QStringLiteral("Possible cause of the data loss: \n") +
                   QStringLiteral("Error message, if any: \n") +
                   QStringLiteral("More details (please attach a screenshot): \n");
    body = Replace_char_in_string(body, QStringLiteral("\r\n"), QStringLiteral("%0A"));
    body = Replace_char_in_string(body, QStringLiteral("\n"), QStringLiteral("%0A"));
    body = Replace_char_in_string(body, QStringLiteral(" "), QStringLiteral("%20"));
    link += QStringLiteral("&body=") + body;
    // 3. Trimmed; then line breaks, blanks and double quotes escaped.
    link = Trim_Str(link);
    link = Replace_char_in_string(link, QStringLiteral("\r\n"), QStringLiteral("%0A"));
    link = Replace_char_in_string(link, QStringLiteral("\n"), QStringLiteral("%0A"));
    // A carriage return on its own is a line break too; left raw it would
    // end the link in some mail programs.
    link = Replace_char_in_string(link, QStringLiteral("\r"), QStringLiteral("%0D"));
    link = Replace_char_in_string(link, QStringLiteral(" "), QStringLiteral("%20"));
    link = Replace_char_in_string(link, QStringLiteral("\""), QStringLiteral("%22"));
    return link;
}

AboutWindow* MyTableController::aboutWindow()
{
    if (!about_) {
        about_ = new AboutWindow(controlPanel_);
        about_->setProduct(APP_LONG_NAME, QCoreApplication::applicationVersion().isEmpty()
                                              ? QStringLiteral(OSTREL_VERSION)
                                              : QCoreApplication::applicationVersion());
        about_->setLinks(profile_.Website_1, profile_.support_id);
        connect(about_, &AboutWindow::websiteClicked, this, [this] { Open_Website_1(); });
        connect(about_, &AboutWindow::supportClicked, this, [this] { Open_Support_Mail(); });
    }
    return about_;
}

Help_Support* MyTableController::helpSupportWindow()
{
    if (!helpSupport_) {
        helpSupport_ = new Help_Support(controlPanel_);
        helpSupport_->setWindowTitle(QStringLiteral("Help and support \u2013 ") + APP_LONG_NAME);
        helpSupport_->setLinks(profile_.Website_3, profile_.support_id);
        connect(helpSupport_, &Help_Support::websiteClicked, this, [this] { Open_Website_3(); });
        connect(helpSupport_, &Help_Support::supportClicked, this, [this] { Open_Support_Mail(); });
        connect(helpSupport_, &Help_Support::copyEmailClicked, this, [this] { Copy_Email(); });
        connect(helpSupport_, &Help_Support::copyUrlClicked, this, [this] { Copy_URL(); });
        connect(helpSupport_, &Help_Support::copyUrl2Clicked, this, [this] { Copy_URL_2(); });
        connect(helpSupport_, &Help_Support::helpFileClicked, this, [this] { HelpFilePressed(); });
    }
    return helpSupport_;
}

void MyTableController::About_btn()
{
    controlPanel_->raise();
    AboutWindow* window = aboutWindow();
    dialogs_->runModal(window);
    window->hide();
}

void MyTableController::Contact_Us_btn()
{
    Help_Support* window = helpSupportWindow();
    dialogs_->runModal(window);
    window->hide();
}

void MyTableController::Help_btn()
{
    const QString help = resourceDir_ + QStringLiteral("/Help.pdf");
    if (!QFileInfo::exists(help)) {
        dialogs_->runAlert(controlPanel_, {wintexts::helpFileMissing, QString(), {wintexts::ok},
                                           AlertText::Kind::Information});
        return;
    }
    dialogs_->openLocation(QUrl::fromLocalFile(help));
}

void MyTableController::openLink(const QString& link)
{
    // The link is already escaped: take it as it is. A link the desktop
    // cannot handle is reported by the dialogs, with the address.
    dialogs_->openLocation(QUrl::fromEncoded(link.toUtf8(), QUrl::StrictMode));
}

void MyTableController::Open_Support_Mail()
{
    openLink(Support_Mail_Link);
}

void MyTableController::Open_Website_1() { openLink(profile_.Website_1); }
void MyTableController::Open_Website_2() { openLink(profile_.Website_2); }
void MyTableController::Open_Website_3() { openLink(profile_.Website_3); }
void MyTableController::Open_Website_4() { openLink(profile_.Website_4); }

void MyTableController::copyToClipboard(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    Show_MessageBox(QStringLiteral("Text copied successfully."));
}

void MyTableController::Copy_Email() { copyToClipboard(profile_.support_id); }
void MyTableController::Copy_URL() { copyToClipboard(profile_.Website_1); }
void MyTableController::Copy_URL_2() { copyToClipboard(profile_.Website_2); }
