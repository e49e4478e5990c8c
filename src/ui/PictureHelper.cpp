#include "ui/PictureHelper.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// A descriptor closed when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads the helper's answer until it ends or the time is up; false on
// timeout or when it says more than `limit` bytes.
bool readAnswer(int fd, QByteArray& out, qsizetype limit, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    char buffer[65536];
    for (;;) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return false;
        struct pollfd p {fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true; // the helper closed its output
        if (out.size() + n > limit)
            return false;
        out.append(buffer, n);
    }
}

// The picture in the helper's answer, or a null image.
QImage parseAnswer(const QByteArray& answer, int maxSide)
{
    if (answer.size() < 12 || !answer.startsWith("OTH1"))
        return QImage();
    quint32 dims[2];
    std::memcpy(dims, answer.constData() + 4, sizeof dims);
    if (dims[0] == 0 || dims[1] == 0 || dims[0] > quint32(maxSide) || dims[1] > quint32(maxSide) ||
        answer.size() != 12 + qsizetype(dims[0]) * qsizetype(dims[1]) * 4)
        return QImage();
    QImage image(static_cast<int>(dims[0]), static_cast<int>(dims[1]), QImage::Format_ARGB32);
    if (image.isNull())
        return QImage();
    const char* pixels = answer.constData() + 12;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), pixels + qsizetype(y) * image.width() * 4, size_t(image.width()) * 4);
    return image;
}
} // namespace

QString pictureHelperPath()
{
    static const QString found = [] {
        const QDir bin(QCoreApplication::applicationDirPath());
        for (const QString& candidate : {bin.filePath(QStringLiteral("ostrel-thumbnailer")),
                                         bin.filePath(QStringLiteral(OSTREL_THUMBNAILER_FROM_BIN))}) {
            const QFileInfo info(candidate);
            if (info.isFile() && info.isExecutable())
                return QDir::cleanPath(info.absoluteFilePath());
        }
        return QString();
    }();
    return found;
}

QImage decodeInHelper(const QString& helper, const QString& path, PictureKind kind, int maxSide, int timeoutMs)
{
    if (helper.isEmpty() || maxSide < 1 || maxSide > 1024)
        return QImage();
    Fd file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0)
        return QImage();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return QImage();
    Fd readEnd{pipeFds[0]};
    Fd writeEnd{pipeFds[1]};

    const std::string program = QFile::encodeName(helper).toStdString();
    std::string kindName = pictureKindName(kind);
    std::string side = std::to_string(maxSide);
    char* argv[] = {const_cast<char*>(program.c_str()), kindName.data(), side.data(), nullptr};
    // Nothing of the window's environment: no plugin paths, no preloads.
    char pathVariable[] = "PATH=/usr/bin:/bin";
    char language[] = "LANG=C.UTF-8";
    char* envp[] = {pathVariable, language, nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, file.fd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.fd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return QImage();
    ::close(writeEnd.fd);
    writeEnd.fd = -1;

    QElapsedTimer clock;
    clock.start();
    QByteArray answer;
    bool complete = readAnswer(readEnd.fd, answer, 12 + qsizetype(maxSide) * maxSide * 4, timeoutMs);
    // Having closed its output is not having ended: it gets the rest of
    // the time to do so.
    int status = 0;
    pid_t done = 0;
    while (complete && (done = ::waitpid(pid, &status, WNOHANG)) == 0) {
        if (clock.elapsed() >= timeoutMs) {
            complete = false;
            break;
        }
        ::usleep(2000);
    }
    if (!complete) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return QImage();
    }
    if (done != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QImage();
    return parseAnswer(answer, maxSide);
}
