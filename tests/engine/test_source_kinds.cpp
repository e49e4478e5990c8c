// What can be opened as a medium: block and character devices and image
// files are; a named pipe, a socket, a terminal and a folder are refused at
// once (never waited on). Uses a temporary folder and a pseudo-terminal; no
// root needed.
#include "engine/SectorSource.h"
#include "media/DeviceAccess.h"

#include <QFile>
#include <QTemporaryDir>

#include "common/QtPrinters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using ostrel::FileSectorSource;

namespace {

struct Kind {
    const char* name;
    int expected; // 0: opens
};

class SourceKinds : public ::testing::TestWithParam<Kind> {
protected:
    // Makes an entry of the kind and returns its path.
    QString make(const QString& kind)
    {
        const QString path = dir.filePath(kind);
        const QByteArray native = QFile::encodeName(path);
        if (kind == QLatin1String("image")) {
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(QByteArray(4096, 'x'));
        } else if (kind == QLatin1String("fifo")) {
            EXPECT_EQ(::mkfifo(native.constData(), 0600), 0);
        } else if (kind == QLatin1String("socket")) {
            socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", native.constData());
            EXPECT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        } else if (kind == QLatin1String("terminal")) {
            terminalFd = ::posix_openpt(O_RDWR | O_NOCTTY);
            EXPECT_GE(terminalFd, 0);
            ::grantpt(terminalFd);
            ::unlockpt(terminalFd);
            return QString::fromLocal8Bit(::ptsname(terminalFd));
        } else if (kind == QLatin1String("folder")) {
            QDir().mkdir(path);
        } else if (kind == QLatin1String("character device")) {
            return QStringLiteral("/dev/zero");
        }
        return path;
    }
    void TearDown() override
    {
        if (socketFd >= 0)
            ::close(socketFd);
        if (terminalFd >= 0)
            ::close(terminalFd);
    }
    QTemporaryDir dir;
    int socketFd = -1;
    int terminalFd = -1;
};

} // namespace

TEST_P(SourceKinds, OpensOrIsRefusedAtOnce)
{
    const Kind k = GetParam();
    const QString path = make(QString::fromLatin1(k.name));
    // A pipe that is waited on would hang the test: after two seconds a
    // writer comes along so the test fails instead.
    std::atomic<bool> opened{false};
    std::thread release;
    if (QLatin1String(k.name) == QLatin1String("fifo")) {
        release = std::thread([path, &opened] {
            for (int i = 0; i < 40 && !opened; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (opened)
                return;
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (fd >= 0)
                ::close(fd);
        });
    }
    const auto started = std::chrono::steady_clock::now();
    int error = -1;
    const auto source = FileSectorSource::open(path, &error);
    const auto waited = std::chrono::steady_clock::now() - started;
    opened = true;
    if (release.joinable())
        release.join();
    EXPECT_LT(waited, std::chrono::seconds(1)) << k.name;
    EXPECT_EQ(error, k.expected) << k.name << ": " << deviceErrorText(error);
    EXPECT_EQ(source != nullptr, k.expected == 0) << k.name;
    if (source && QLatin1String(k.name) == QLatin1String("image")) {
        unsigned char buffer[512 * 8];
        int readError = -1;
        EXPECT_EQ(source->read(0, 8, buffer, &readError), 8u) << "reads block again once open";
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SourceKinds,
                         ::testing::Values(Kind{"image", 0}, Kind{"character device", 0}, Kind{"fifo", ENOTBLK},
                                           Kind{"socket", ENXIO}, Kind{"terminal", ENOTBLK},
                                           Kind{"folder", EISDIR}, Kind{"missing", ENOENT}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 c = c == ' ' ? '_' : c;
                             return n;
                         });

TEST(SourceKinds, RefusalSaysWhatIsWrong)
{
    EXPECT_TRUE(deviceErrorText(ENOTBLK).contains(QStringLiteral("pipe, socket or terminal")));
}
