#include "ui/DesktopNotice.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

void showDesktopNotice(const QString& title, const QString& text)
{
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && !wayland)
        return;
    // A display that cannot be reached must not abort the launcher: Qt
    // falls through the list to the offscreen platform, which shows nothing.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", wayland ? "wayland;xcb;offscreen" : "xcb;offscreen");
    int argc = 1;
    char name[] = "ostrel-recovery";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    QApplication::setStyle(QStringLiteral("Fusion")); // as the window looks
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok);
    box.setWindowIcon(QIcon::fromTheme(QStringLiteral("drive-removable-media")));
    box.exec();
}
