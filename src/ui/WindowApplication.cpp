#include "ui/WindowApplication.h"

#include "edition/EditionProfile.h"
#include "engine/OpenFileRegistry.h"

#include <QApplication>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include <unistd.h>

WindowLaunch takeDeveloperOptions(int& argc, char** argv)
{
    WindowLaunch launch;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (hasValue && std::strcmp(argv[i], "--sample-medium") == 0)
            launch.sampleMedia << QString::fromLocal8Bit(argv[++i]);
        else if (hasValue && std::strcmp(argv[i], "--edition") == 0)
            launch.edition = QString::fromLocal8Bit(argv[++i]);
        else
            argv[out++] = argv[i];
    }
    argv[out] = nullptr;
    argc = out;
    return launch;
}

int runWindowApplication(int argc, char** argv, const WindowLaunch& launch)
{
    // Qt 6.4 picks GStreamer first, which plays MP4 only with extra plugin
    // packages; the FFmpeg backend shipped with Qt Multimedia plays the
    // common formats as is. A user's own choice is kept.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    // A write past the file-size limit (FAT32 stops at 4 GiB) fails with
    // EFBIG and is reported as a save failure instead of killing the program
    // with a half-written file; a closed pipe of a helper program only fails
    // that write.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    // Ended from outside (logout, kill, Ctrl-C in the terminal that started
    // it): the files still being written are renamed to NAME.incomplete.
    for (const int sig : {SIGTERM, SIGHUP, SIGINT})
        std::signal(sig, ostrel::openfiles::setAsideAndDie);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    if (!launch.launcherName.isEmpty())
        QCoreApplication::setApplicationName(launch.launcherName);

    MyTableController::Options options;
    if (!launch.edition.isEmpty())
        options.bundleName = EditionProfile::fromNameOrKey(launch.edition).App_Name;
    for (const QString& image : launch.sampleMedia)
        options.sampleMedia.append(SampleMedium{image, QString(), QString()});
    if (launch.prepare)
        launch.prepare(options);

    MyTableController controller(options);
    controller.awakeFromNib();
    if (launch.started)
        launch.started(controller);
    const int code = app.exec();
    // Once the window has gone the process must end even when a thread
    // cannot be joined (a read on a failing device can block in the kernel
    // for minutes): it is given this long to tidy up.
    std::thread([code] {
        std::this_thread::sleep_for(std::chrono::seconds(10));
        std::fputs("ostrel-recovery: ending without waiting for the search to stop\n", stderr);
        _exit(code);
    }).detach();
    return code;
}
