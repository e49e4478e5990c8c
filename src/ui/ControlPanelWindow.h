#pragma once
// The main window (`controlPanel`). It holds no logic of its own: closing it
// asks its controller first (windowShouldClose), and the window stays open
// when the answer is no.

#include <QMainWindow>

#include <functional>

class ControlPanelWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ControlPanelWindow(QWidget* parent = nullptr);

    // Asked when the user closes the window; false keeps it open.
    void setShouldClose(std::function<bool()> shouldClose) { shouldClose_ = std::move(shouldClose); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<bool()> shouldClose_;
};
