#include "ui/DesktopOpener.h"

#include "app/UserPrograms.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/wait.h>

namespace {
constexpr int kPollMs = 100;
constexpr int kReapMs = 2000;

// xdg-open's exit statuses, said for the user.
QString openerFailure(int status)
{
    switch (status) {
    case 2: return QStringLiteral("it does not exist or cannot be read");
    case 3: return QStringLiteral("no program to open it was found on this desktop");
    case 4: return QStringLiteral("the program meant to open it failed");
    default: return QStringLiteral("the desktop's opener ended with status %1").arg(status);
    }
}

// Polls one child: a failure within the watch is reported; afterwards it
// is only reaped, so no finished opener lingers as a zombie.
void watchChild(pid_t pid, int watchMs, std::function<void(const QString&)> onFailure)
{
    auto* timer = new QTimer(QCoreApplication::instance());
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, pid, watchMs, onFailure] {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        const bool watching = clock->elapsed() <= watchMs;
        if (done == 0) {
            if (!watching)
                timer->setInterval(kReapMs);
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (done == pid && watching && onFailure) {
            if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
                onFailure(openerFailure(WEXITSTATUS(status)));
            else if (WIFSIGNALED(status))
                onFailure(QStringLiteral("the desktop's opener was stopped"));
        }
    });
    timer->start(kPollMs);
}
} // namespace

OpenerSetup defaultOpenerSetup()
{
    OpenerSetup setup;
    setup.user = InvokingUser::current();
    setup.opener = findUserProgram(setup.user, QStringLiteral("xdg-open"));
    setup.setpriv = findUserProgram(setup.user, QStringLiteral("setpriv"));
    return setup;
}

QString cannotOpenText(const QUrl& location, const QString& why)
{
    if (location.isLocalFile())
        return QStringLiteral("\nIt could not be opened: %1.\n\nYou can open it yourself; it is here:\n%2")
            .arg(why, QDir::toNativeSeparators(location.toLocalFile()));
    return QStringLiteral("\nThe link could not be opened: %1.\n\nYou can copy it from here:\n%2")
        .arg(why, location.toString());
}

bool openForUser(const QUrl& location, const OpenerSetup& setup, std::function<void(const QString&)> onFailure,
                 QString* why)
{
    if (setup.opener.isEmpty()) {
        *why = QStringLiteral("xdg-open, the desktop's opener, is not installed (Debian: apt install xdg-utils)");
        return false;
    }
    if (setup.user.differsFromProcess && setup.setpriv.isEmpty()) {
        *why = QStringLiteral("setpriv, needed to open it as you and not as root, is not installed");
        return false;
    }
    const QString target = location.isLocalFile() ? location.toLocalFile() : QString::fromUtf8(location.toEncoded());
    const ProgramStart start = startForUser(setup.user, setup.opener, {target},
                                            QProcessEnvironment::systemEnvironment(), setup.setpriv);
    int error = 0;
    const pid_t pid = spawnChild(start, &error);
    if (pid < 0) {
        *why = QStringLiteral("%1 could not be started (%2)").arg(start.program, QString::fromLocal8Bit(std::strerror(error)));
        return false;
    }
    watchChild(pid, setup.watchMs, std::move(onFailure));
    return true;
}
