#include "ui/WindowDialogs.h"

#include "ui/DesktopOpener.h"
#include "ui/PlainText.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

QMessageBox* makeAlertBox(QWidget* parent, const AlertText& alert)
{
    auto* box = new QMessageBox(parent);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    if (parent)
        box->setWindowTitle(parent->window()->windowTitle());
    box->setText(alert.message);
    box->setInformativeText(alert.informative);
    // Alerts quote paths and device texts: shown literally.
    box->setTextFormat(Qt::PlainText);
    makeLabelsPlainText(box);
    // The program's own icons, drawn sharp at any scale; the standard ones
    // when the resources are not there.
    const char* icon = ":/icons/alert-info.svg";
    QMessageBox::Icon fallback = QMessageBox::Information;
    switch (alert.kind) {
    case AlertText::Kind::Information: break;
    case AlertText::Kind::Question:
        icon = ":/icons/alert-question.svg";
        fallback = QMessageBox::Question;
        break;
    case AlertText::Kind::Warning:
        icon = ":/icons/alert-warning.svg";
        fallback = QMessageBox::Warning;
        break;
    case AlertText::Kind::Critical:
        icon = ":/icons/alert-error.svg";
        fallback = QMessageBox::Critical;
        break;
    }
    const QPixmap pixmap = QIcon(QString::fromLatin1(icon)).pixmap(QSize(44, 44), parent ? parent->devicePixelRatioF() : 1.0);
    if (pixmap.isNull())
        box->setIcon(fallback);
    else
        box->setIconPixmap(pixmap);
    const QStringList buttons = alert.buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : alert.buttons;
    QPushButton* last = nullptr;
    for (int i = 0; i < buttons.size(); ++i) {
        // Roles only place the buttons; the answer is the index.
        QPushButton* b = box->addButton(buttons.at(i), i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        b->setProperty("alertIndex", i);
        if (i == 0)
            box->setDefaultButton(b);
        last = b;
    }
    box->setEscapeButton(last);
    return box;
}

int DesktopDialogs::runAlert(QWidget* parent, const AlertText& alert)
{
    QMessageBox* box = makeAlertBox(parent, alert);
    box->exec();
    QAbstractButton* clicked = box->clickedButton();
    const int index = clicked ? clicked->property("alertIndex").toInt()
                              : static_cast<int>(qMax<qsizetype>(alert.buttons.size(), 1) - 1);
    delete box;
    return index;
}

int DesktopDialogs::runModal(QDialog* window)
{
    return window->exec();
}

QString DesktopDialogs::chooseFolder(QWidget* parent, const QString& startFolder)
{
    QFileDialog dialog(parent, QStringLiteral("Choose the destination folder"), startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setWindowModality(Qt::WindowModal);
    // The places of the person the program works for, not root's.
    const InvokingUser& user = InvokingUser::current();
    QList<QUrl> places{QUrl::fromLocalFile(user.home)};
    for (const QString& media : {QStringLiteral("/media/"), QStringLiteral("/run/media/")}) {
        if (QFileInfo(media + user.name).isDir())
            places << QUrl::fromLocalFile(media + user.name);
    }
    places << QUrl::fromLocalFile(QStringLiteral("/"));
    dialog.setSidebarUrls(places);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool DesktopDialogs::openLocation(const QUrl& location)
{
    // A failure noticed later is told in a window that does not block:
    // the user may have moved on meanwhile.
    auto late = [location](const QString& why) {
        QMessageBox* box = makeAlertBox(QApplication::activeWindow(),
                                        {cannotOpenText(location, why), QString(), {QStringLiteral("OK")},
                                         AlertText::Kind::Warning});
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    };
    QString why;
    if (openForUser(location, defaultOpenerSetup(), late, &why))
        return true;
    runAlert(QApplication::activeWindow(), {cannotOpenText(location, why), QString(), {QStringLiteral("OK")},
                                            AlertText::Kind::Warning});
    return false;
}
