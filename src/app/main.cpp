// Entry of the window application. The program the user starts only obtains
// administrator rights and starts a privileged copy of itself (see
// app/PrivilegedRelaunch.h); that copy runs the window.
//
// Developer options, not shown anywhere to users: with any of them the
// program runs at once in the user's own rights (nothing it then does needs
// more) and they are taken out of the arguments before Qt sees them.
//   --sample-medium IMAGE   list a disk image as a medium (may be repeated)
//   --edition KEY           run an edition by key ("camera", "removable", ...)
//   --screenshot-tour DIR   walk the wizard on the first sample medium and
//                           save a picture of every screen into DIR, then quit

#include "app/EditionProfile.h"
#include "app/MyTableController.h"
#include "app/PrivilegedRelaunch.h"
#include "ui/DesktopNotice.h"
#include "ui/ScreenshotTour.h"

#include <QApplication>
#include <QFont>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include <unistd.h>

namespace {

struct DeveloperOptions {
    QStringList sampleMedia;
    QString edition;
    QString tourFolder;
    bool any() const { return !sampleMedia.isEmpty() || !edition.isEmpty() || !tourFolder.isEmpty(); }
};

// Removes the developer options (and their values) from argv.
DeveloperOptions takeDeveloperOptions(int& argc, char** argv)
{
    DeveloperOptions options;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (hasValue && std::strcmp(argv[i], "--sample-medium") == 0) {
            options.sampleMedia << QString::fromLocal8Bit(argv[++i]);
        } else if (hasValue && std::strcmp(argv[i], "--edition") == 0) {
            options.edition = QString::fromLocal8Bit(argv[++i]);
        } else if (hasValue && std::strcmp(argv[i], "--screenshot-tour") == 0) {
            options.tourFolder = QString::fromLocal8Bit(argv[++i]);
        } else {
            argv[out++] = argv[i];
        }
    }
    argv[out] = nullptr;
    argc = out;
    return options;
}

// Once the window has gone the process must end even when a thread cannot
// be joined (a read on a failing device can block in the kernel for
// minutes): it is given this long to tidy up.
constexpr std::chrono::seconds kTeardownLimit{10};

int runWindowApplication(int argc, char** argv, const DeveloperOptions& developer, const QString& launcherName)
{
    // Qt 6.4 picks GStreamer first, which plays MP4 only with extra plugin
    // packages; the FFmpeg backend shipped with Qt Multimedia plays the
    // common formats as is. A user's own choice is kept.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The relaunched copy is started as the program file; the edition
    // follows the name the user started.
    if (!launcherName.isEmpty())
        QCoreApplication::setApplicationName(launcherName);

    MyTableController::Options options;
    if (!developer.edition.isEmpty())
        options.bundleName = EditionProfile::fromNameOrKey(developer.edition).App_Name;
    for (const QString& image : developer.sampleMedia)
        options.sampleMedia.append(SampleMedium{image, QString(), QString()});

    std::unique_ptr<ScreenshotTour> tour;
    if (!developer.tourFolder.isEmpty())
        tour = std::make_unique<ScreenshotTour>(developer.tourFolder, options);

    MyTableController controller(options);
    controller.awakeFromNib();
    if (tour)
        tour->start(controller);
    const int code = app.exec();
    std::thread([code] {
        std::this_thread::sleep_for(kTeardownLimit);
        std::fputs("ostrel-recovery: ending without waiting for the search to stop\n", stderr);
        _exit(code);
    }).detach();
    return code;
}

// Refuses an edition key that names none of the editions, with the list.
bool knownEdition(const QString& edition)
{
    if (edition.isEmpty() || EditionProfile::fromNameOrKey(edition).matched)
        return true;
    std::fprintf(stderr, "ostrel-recovery: unknown edition \"%s\"; the editions are:", qPrintable(edition));
    for (int i = 0; i < kEditionCount; ++i)
        std::fprintf(stderr, " %s", editionTable()[i].key);
    std::fputs("\n", stderr);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const DeveloperOptions developer = takeDeveloperOptions(argc, argv);
    if (!knownEdition(developer.edition))
        return 2;
    const RelaunchArguments relaunch = takeRelaunchArguments(argc, argv);
    applyRelaunchArguments(relaunch);
    auto run = [&developer, &relaunch](int appArgc, char** appArgv) {
        return runWindowApplication(appArgc, appArgv, developer, relaunch.launcherName);
    };
    if (developer.any())
        return run(argc, argv);
    RelaunchHooks hooks = defaultRelaunchHooks();
    const auto print = hooks.reportError;
    hooks.showFailure = [print](const QString& text) {
        print(text);
        // "NAME: what happened" on the console; in the dialog the name is
        // its title.
        const qsizetype colon = text.indexOf(QStringLiteral(": "));
        QString body = colon > 0 ? text.mid(colon + 2) : text;
        if (!body.isEmpty())
            body[0] = body[0].toUpper();
        showDesktopNotice(colon > 0 ? text.left(colon) : QStringLiteral("Ostrel Recovery"), body);
    };
    return runProcessEntry(argc, argv, run, hooks);
}
