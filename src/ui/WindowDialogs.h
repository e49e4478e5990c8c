#pragma once
// Every modal conversation of the window goes through this interface: alerts
// and questions, the program's own information windows, the folder chooser
// and opening a folder with the desktop. The window application uses
// DesktopDialogs; tests and the screenshot tour put their own in its place,
// so the real window can be driven without a user.
//
// Main thread only.

#include <QString>
#include <QStringList>

class QDialog;
class QUrl;
class QWidget;

struct AlertText {
    enum class Kind { Information, Question, Warning, Critical };
    QString message;      // the alert's main text, used exactly (leading line breaks included)
    QString informative;  // the smaller text below it; may be empty
    QStringList buttons;  // in order; the first is the default button
    Kind kind = Kind::Information;
};

class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;

    // Runs a modal alert over `parent` and returns the index of the button
    // that ended it (0 = the first). Pressing Escape or closing the alert
    // counts as the last button.
    virtual int runAlert(QWidget* parent, const AlertText& alert) = 0;

    // Runs one of the program's own windows modally; returns its result code.
    virtual int runModal(QDialog* window) = 0;

    // A folder chooser (one folder, folders only, new folders allowed);
    // returns the chosen folder's path, or an empty text when cancelled.
    virtual QString chooseFolder(QWidget* parent, const QString& startFolder) = 0;

    // Opens a folder in the file viewer or a link in its program, as the
    // user the program works for; false when the desktop could not (the
    // real dialogs then tell the user where the file is).
    virtual bool openLocation(const QUrl& location) = 0;
};

// The real thing: QMessageBox, QDialog::exec, QFileDialog, and xdg-open
// started as the invoking user (ui/DesktopOpener.h).
class DesktopDialogs : public WindowDialogs {
public:
    int runAlert(QWidget* parent, const AlertText& alert) override;
    int runModal(QDialog* window) override;
    QString chooseFolder(QWidget* parent, const QString& startFolder) override;
    bool openLocation(const QUrl& location) override;
};

// Builds (does not run) the QMessageBox DesktopDialogs shows for `alert`;
// the caller owns it. Shared with the screenshot tour.
class QMessageBox;
QMessageBox* makeAlertBox(QWidget* parent, const AlertText& alert);
