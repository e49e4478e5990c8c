#include "engine/DdrescueMapFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace ostrel {

namespace {
constexpr quint64 kSectorBytes = 512;

QString hex(quint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}
} // namespace

QString ddrescueMapText(const SectorMap& map, quint64 domainEnd, const MapFileHeading& heading)
{
    QString blocks;
    bool untried = false;
    map.forEach(0, domainEnd, [&](quint64 first, quint64 count, SectorState state) {
        untried = untried || state == SectorState::NotTried;
        blocks += QStringLiteral("%1  %2  %3\n")
                      .arg(hex(first * kSectorBytes), hex(count * kSectorBytes))
                      .arg(QChar::fromLatin1(static_cast<char>(state)));
    });
    const QString time = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    QString text;
    text += QStringLiteral("# Mapfile. Created by %1\n").arg(heading.program);
    text += QStringLiteral("# Command line: %1\n").arg(heading.commandLine);
    text += QStringLiteral("# Start time:   %1\n").arg(heading.started.toString(time));
    text += QStringLiteral("# Current time: %1\n").arg(heading.saved.toString(time));
    text += untried ? QStringLiteral("# Some sectors were not tried\n") : QStringLiteral("# Finished\n");
    text += QStringLiteral("# current_pos  current_status  current_pass\n");
    text += QStringLiteral("%1     %2               1\n")
                .arg(hex(heading.currentSector * kSectorBytes))
                .arg(QChar(untried ? u'?' : u'+'));
    text += QStringLiteral("#      pos        size  status\n");
    return text + blocks;
}

QString writeNewMapFile(const QString& folder, const QString& baseName, const QString& text, QString* error)
{
    const QByteArray bytes = text.toUtf8();
    for (int n = 1; n <= 1000; ++n) {
        const QString name = n == 1 ? baseName + QStringLiteral(".map") : QStringLiteral("%1 %2.map").arg(baseName).arg(n);
        const QString path = QDir(folder).filePath(name);
        int fd;
        do {
            fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return QString();
        }
        qsizetype done = 0;
        bool ok = true;
        while (done < bytes.size() && ok) {
            const ssize_t w = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (w < 0 && errno == EINTR)
                continue;
            ok = w > 0;
            done += ok ? w : 0;
        }
        const int writeErrno = errno;
        ok = (::close(fd) == 0) && ok;
        if (!ok) {
            *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(writeErrno)));
            ::unlink(QFile::encodeName(path).constData());
            return QString();
        }
        return path;
    }
    *error = QStringLiteral("%1: no free name").arg(QDir(folder).filePath(baseName));
    return QString();
}

} // namespace ostrel
