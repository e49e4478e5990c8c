#pragma once
// The small windows around the wizard: the destination information shown
// before the folder chooser, the information shown when a search ends, the
// about and the help-and-support windows, and the two busy panels (media
// listing, preview). Their layouts are BrowseInfo.ui, SaveFileInfo.ui,
// About.ui, HelpSupport.ui, LoadDisk.ui and ClearPreview.ui.
//
// The windows hold no state of their own: the link windows get the edition's
// addresses from the controller and report their buttons through signals,
// which the controller connects to its actions (Open_Website_1,
// Open_Support_Mail, Copy_Email, ...).

#include <QDialog>

#include <memory>

class LinkButton;
namespace Ui {
class About;
class BrowseInfo;
class ClearPreview;
class HelpSupport;
class LoadDisk;
class SaveFileInfo;
} // namespace Ui

// `BrowseInfo_Window`: Continue ends it with the code 1.
class Browse_Info : public QDialog {
    Q_OBJECT
public:
    explicit Browse_Info(QWidget* parent = nullptr);
    ~Browse_Info() override;
    void Continue_Btn();

private:
    std::unique_ptr<Ui::BrowseInfo> ui;
};

// `SaveFile_Info_Window`: OK ends it with the code 1, the continue button
// (shown after a stopped search) with the code 2.
class SaveFile_Info : public QDialog {
    Q_OBJECT
public:
    enum { ContinueCode = 2 };
    explicit SaveFile_Info(QWidget* parent = nullptr);
    ~SaveFile_Info() override;
    void OK_Btn();

    // The title line and its icon: a search done, a note (nothing found) or
    // a warning.
    enum class Mood { Done, Note, Warning };
    void setTitle(const QString& title, Mood mood);
    QString title() const;
    // The continue button's text; empty hides it.
    void setContinueOffer(const QString& text);
    QString continueOffer() const;

    // What the run did ("N files were recovered ..."); empty hides the line.
    void setSummary(const QString& text);
    // Unreadable-sector notice; empty hides it.
    void setUnreadableNotice(const QString& text);
    QString summary() const;
    QString unreadableNotice() const;
    // Titles of the two links: `website` without "https://www.", `supportId`.
    void setLinks(const QString& website, const QString& supportId);
    LinkButton* websiteLink() const;
    LinkButton* supportLink() const;

signals:
    void websiteClicked();
    void supportClicked();

private:
    std::unique_ptr<Ui::SaveFileInfo> ui;
};

// The about window (`AboutWindow`): "About " + the product title, the
// product name, the two links; Close ends it with the code 1.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);
    ~AboutWindow() override;
    void setProduct(const QString& longName, const QString& version);
    void setLinks(const QString& website, const QString& supportId);
    LinkButton* websiteLink() const;
    LinkButton* supportLink() const;
    QString productCaption() const;

signals:
    void websiteClicked();
    void supportClicked();

private:
    std::unique_ptr<Ui::About> ui;
};

// `Help_Support` (`HelpWindow`): the links, the copy buttons, the help file;
// Close ends it with the code 1.
class Help_Support : public QDialog {
    Q_OBJECT
public:
    explicit Help_Support(QWidget* parent = nullptr);
    ~Help_Support() override;
    void setLinks(const QString& website, const QString& supportId);
    LinkButton* websiteLink() const;
    LinkButton* supportLink() const;
    QWidget* button(const char* objectName) const;
    void HelpFilePressed() { emit helpFileClicked(); }

signals:
    void websiteClicked();
    void supportClicked();
    void copyEmailClicked();
    void copyUrlClicked();
    void copyUrl2Clicked();
    void helpFileClicked();

private:
    std::unique_ptr<Ui::HelpSupport> ui;
};

// `LoadDisk_Window`: a busy panel without buttons.
class LoadDiskPanel : public QDialog {
    Q_OBJECT
public:
    explicit LoadDiskPanel(QWidget* parent = nullptr);
    ~LoadDiskPanel() override;

private:
    std::unique_ptr<Ui::LoadDisk> ui;
};

// `ClearPreview_Window` (`ClearPreview_Modeless`): the wait sheet of the
// preview; a busy panel without buttons.
class ClearPreview_Modeless : public QDialog {
    Q_OBJECT
public:
    explicit ClearPreview_Modeless(QWidget* parent = nullptr);
    ~ClearPreview_Modeless() override;

private:
    std::unique_ptr<Ui::ClearPreview> ui;
};
