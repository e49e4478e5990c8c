#include "cli/ConsoleHost.h"

#include "engine/EngineTexts.h"
#include "media/DeviceAccess.h"
#include "util/TextHelpers.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstring>

namespace {
QString withoutLeadingBreaks(QString text)
{
    while (text.startsWith(u'\n'))
        text.remove(0, 1);
    return text;
}

// Texts that may carry names from the medium or the file system: control
// characters are shown escaped so they cannot move the cursor, recolour or
// clear the terminal. Line breaks of the message itself are kept.
QString printable(const QString& text)
{
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = escapeControlCharacters(line);
    return lines.join(u'\n');
}

QString duration(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

ConsoleHost::ConsoleHost(const SearchSettings& settings, RunState& state, bool quiet, bool progressLine)
    : settings_(settings), state_(state), quiet_(quiet), progressLine_(progressLine), out_(stdout), err_(stderr)
{
}

void ConsoleHost::clearProgressLine()
{
    if (lineShown_) {
        err_ << "\r\033[K";
        err_.flush();
        lineShown_ = false;
    }
}

void ConsoleHost::beginPass(int, bool, const QString& modeLabel)
{
    std::lock_guard<std::mutex> lock(mutex_);
    passClock_.start();
    retryShown_ = false;
    if (quiet_)
        return;
    clearProgressLine();
    out_ << modeLabel << "\n";
    out_.flush();
}

void ConsoleHost::showProgress(const ProgressSnapshot& progress)
{
    progressTick(progress);
}

void ConsoleHost::passRunning(const QString&)
{
}

void ConsoleHost::listFile(int, const QString& path, const QString&, const QString&, const QString& type,
                           quint64 typeCount)
{
    const QFileInfo info(path);
    std::lock_guard<std::mutex> lock(mutex_);
    TypeTotals& t = totals_[type];
    t.files = typeCount;
    t.bytes += static_cast<quint64>(info.size());
    ++filesFound_;
    if (quiet_)
        return;
    clearProgressLine();
    out_ << "  " << escapeControlCharacters(path) << "  (" << info.size() << " bytes)\n";
    out_.flush();
}

void ConsoleHost::showClearNotice(const QString& notice)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (quiet_)
        return;
    clearProgressLine();
    err_ << notice << "\n";
    err_.flush();
}

void ConsoleHost::clearFileList(int)
{
}

void ConsoleHost::showMessageBox(const QString& text)
{
    std::lock_guard<std::mutex> lock(mutex_);
    clearProgressLine();
    err_ << printable(withoutLeadingBreaks(text)) << "\n";
    err_.flush();
}

void ConsoleHost::requestFinalScreen(const ostrel::RunOutcome&)
{
    std::lock_guard<std::mutex> lock(mutex_);
    finalRequested_ = true;
}

void ConsoleHost::wizardStepBack(int)
{
}

void ConsoleHost::showPermissionAlert(int err)
{
    std::lock_guard<std::mutex> lock(mutex_);
    openError_ = err;
    clearProgressLine();
    err_ << "Permission Required\n"
         << QCoreApplication::applicationName()
         << " needs administrator rights to read " << settings_.sourcePath
         << " (" << QString::fromLocal8Bit(std::strerror(err)) << ").\n"
         << "Start it again as root, for example: sudo " << QCoreApplication::applicationName() << " ...\n";
    err_.flush();
}

void ConsoleHost::showGenericErrorAlert(int err)
{
    std::lock_guard<std::mutex> lock(mutex_);
    openError_ = err;
    clearProgressLine();
    err_ << "Device Access Error\n"
         << "An unexpected error occurred while trying to access the device:\n\n"
         << settings_.sourcePath << ": " << deviceErrorText(err) << "\n";
    err_.flush();
}

void ConsoleHost::drawProgressLine(const ProgressSnapshot& p)
{
    const double seconds = std::max<qint64>(1, passClock_.elapsed()) / 1000.0;
    const double mbPerSecond = p.done * 512.0 / 1e6 / seconds;
    const quint64 percent = p.total ? static_cast<quint64>(static_cast<unsigned __int128>(p.done) * 100 / p.total) : 0;
    QString left = QStringLiteral("--:--:--");
    if (p.done > 0 && p.total >= p.done)
        left = duration(static_cast<qint64>((p.total - p.done) * (seconds / p.done)));
    err_ << "\r\033[K" << percent << "%  sectors " << p.done << " of " << p.total << "  "
         << QString::number(mbPerSecond, 'f', 1) << " MB/s  " << left << " left  " << filesFound_ << " files";
    err_.flush();
    lineShown_ = true;
}

void ConsoleHost::progressTick(const ProgressSnapshot& progress)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (quiet_)
        return;
    // Once per pass: the range is done and skipped sectors are read again,
    // which may take long on a failing medium; Ctrl-C ends it.
    static const QString retrying = texts::retryingLabel.section(u'%', 0, 0);
    if (!retryShown_ && progress.modeLabel.startsWith(retrying)) {
        retryShown_ = true;
        clearProgressLine();
        out_ << progress.modeLabel << "\n";
        out_.flush();
    }
    if (progressLine_)
        drawProgressLine(progress);
}

QMap<QString, ConsoleHost::TypeTotals> ConsoleHost::totals() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return totals_;
}

quint64 ConsoleHost::filesFound() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return filesFound_;
}

void ConsoleHost::printSummary(const QString& resultsFolder, const QStringList& endLines)
{
    std::lock_guard<std::mutex> lock(mutex_);
    clearProgressLine();
    out_ << "\nRecovered files by type:\n";
    quint64 files = 0;
    quint64 bytes = 0;
    for (auto it = totals_.cbegin(); it != totals_.cend(); ++it) {
        out_ << "  " << qSetFieldWidth(8) << Qt::left << it.key() << qSetFieldWidth(0) << qSetFieldWidth(8)
             << Qt::right << it->files << qSetFieldWidth(0) << " files " << qSetFieldWidth(14) << it->bytes
             << qSetFieldWidth(0) << " bytes\n";
        files += it->files;
        bytes += it->bytes;
    }
    out_ << "  " << qSetFieldWidth(8) << Qt::left << "total" << qSetFieldWidth(0) << qSetFieldWidth(8) << Qt::right
         << files << qSetFieldWidth(0) << " files " << qSetFieldWidth(14) << bytes << qSetFieldWidth(0)
         << " bytes\n";
    out_ << "Results: " << escapeControlCharacters(resultsFolder) << "\n";
    for (const QString& line : endLines)
        out_ << line << "\n";
    out_.flush();
}
