// ostrel-screenshot-tour: the window application driven through its wizard
// on sample media, one picture per screen, for the documentation.
//   ostrel-screenshot-tour [--edition KEY] [--sample-medium IMAGE]... FOLDER
// Runs in the user's own rights; the recovered files go to a fresh private
// temporary folder that is removed when the walk ends.

#include "ScreenshotTour.h"
#include "ui/WindowApplication.h"

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    WindowLaunch launch = takeDeveloperOptions(argc, argv);
    // The first argument that is no option is the folder; the rest is Qt's.
    QString folder;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-' && folder.isEmpty())
            folder = QString::fromLocal8Bit(argv[i]);
        else
            argv[out++] = argv[i];
    }
    argv[out] = nullptr;
    argc = out;
    if (folder.isEmpty()) {
        std::fprintf(stderr, "usage: ostrel-screenshot-tour [--edition KEY] [--sample-medium IMAGE]... FOLDER\n");
        return 1;
    }

    std::unique_ptr<ScreenshotTour> tour;
    launch.prepare = [&tour, &folder](MyTableController::Options& options) {
        tour = std::make_unique<ScreenshotTour>(folder, options);
    };
    launch.started = [&tour](MyTableController& controller) { tour->start(controller); };
    const int status = runWindowApplication(argc, argv, launch);
    if (tour && !tour->ready())
        return 1;
    return status;
}
