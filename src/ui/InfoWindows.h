#pragma once
// The small windows around the wizard that this window uses: the
// destination information shown before the folder chooser, the information
// shown when a search ends, and the busy panel of the media listing. Their
// layouts are BrowseInfo.ui, SaveFileInfo.ui and LoadDisk.ui.

#include <QDialog>

#include <memory>

namespace Ui {
class BrowseInfo;
class SaveFileInfo;
class LoadDisk;
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

// `SaveFile_Info_Window`: OK ends it with the code 1.
class SaveFile_Info : public QDialog {
    Q_OBJECT
public:
    explicit SaveFile_Info(QWidget* parent = nullptr);
    ~SaveFile_Info() override;
    void OK_Btn();

    // What the run did ("N files were recovered ..."); empty hides the line.
    void setSummary(const QString& text);
    // Unreadable-sector notice; empty hides it.
    void setUnreadableNotice(const QString& text);
    QString summary() const;
    QString unreadableNotice() const;

private:
    std::unique_ptr<Ui::SaveFileInfo> ui;
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
