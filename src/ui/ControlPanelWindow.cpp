#include "ui/ControlPanelWindow.h"

#include <QCloseEvent>

ControlPanelWindow::ControlPanelWindow(QWidget* parent) : QMainWindow(parent) {}

void ControlPanelWindow::closeEvent(QCloseEvent* event)
{
    if (shouldClose_ && !shouldClose_()) {
        event->ignore();
        return;
    }
    event->accept();
}
