#pragma once
// A walk through the wizard that saves a picture of every screen, for the
// documentation: the developer tool ostrel-screenshot-tour runs it on the
// first sample medium it is given. It clicks the
// window's own buttons; alerts and information windows are shown for real,
// pictured over the dimmed window, and answered with their default button.
// The searches are slowed down so that a running search can be pictured.
// A second sample medium, when given, is searched for videos and the
// preview of a found movie is pictured. When the walk is done the program
// quits.

#include "ui/MyTableController.h"

#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class TourDialogs;

class ScreenshotTour : public QObject {
    Q_OBJECT
public:
    // Prepares `options` for the walk (its dialogs, a slowed-down medium,
    // no pause when the results view is cleared); pictures go to `folder`.
    // The recovered files go to a new private temporary folder (mkdtemp),
    // removed with the tour.
    ScreenshotTour(const QString& folder, MyTableController::Options& options);
    ~ScreenshotTour() override;

    // False when the temporary folder could not be made (the walk then
    // quits at once).
    bool ready() const { return !destination_.isEmpty(); }

    // Starts the walk; it runs from the event loop.
    void start(MyTableController& controller);

private:
    using Step = std::function<void()>;
    void next(int delayMs = 500);
    void capture(const QString& name);
    // The window as the X server shows it (movies included).
    void captureScreen(const QString& name);
    // Runs `then` once `condition` holds (polled from the event loop).
    void whenTrue(std::function<bool()> condition, Step then);
    void selectRowNamed(const QString& identifier);
    void whenFinalScreen(Step then);
    // Runs `step` once the media list is filled.
    void whenListed(Step step);
    void selectSampleRow();

    QString folder_;
    QTemporaryDir scratch_;
    QString destination_;
    QString firstSample_; // identifier of the medium of the photo and file searches
    QString videoSample_; // identifier of the medium searched for videos
    std::shared_ptr<TourDialogs> dialogs_;
    MyTableController* controller_ = nullptr;
    QList<Step> steps_;
};
