#include "cli/RunReport.h"

#include <QRegularExpression>

#include <cstring>

using ostrel::PassEnd;

int exitStatusFor(const ostrel::RunOutcome& outcome)
{
    switch (outcome.pass.end) {
    case PassEnd::SourceFailed: return SourceFailed;
    case PassEnd::DestinationFailed: return DestinationFailed;
    case PassEnd::Failed: return SearchFailed;
    case PassEnd::MediumGone: return MediumGone;
    case PassEnd::Stopped: return Stopped;
    case PassEnd::Completed: break;
    }
    return outcome.unreadable.count > 0 ? UnreadableSectors : Completed;
}

namespace {
QString shellQuoted(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}
} // namespace

QString continueCommand(const QString& program, const QStringList& arguments, quint64 start, quint64 end)
{
    QStringList words{shellQuoted(program)};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("-r") || a == QLatin1String("--range")) {
            ++i; // and its value
            continue;
        }
        if (a.startsWith(QLatin1String("--range=")))
            continue;
        words << shellQuoted(a);
    }
    words << QStringLiteral("--range") << QStringLiteral("%1:%2").arg(start).arg(end);
    return words.join(u' ');
}

QStringList endOfRunLines(const ostrel::RunOutcome& outcome, quint64 filesFound, bool rangeGiven, bool thoroughAsked,
                          const QString& continueWith)
{
    const ostrel::PassOutcome& p = outcome.pass;
    const ostrel::UnreadableSummary& u = outcome.unreadable;
    QStringList lines;
    if (u.count > 0) {
        lines << QStringLiteral("Unreadable sectors: %1 (taken as zeros; sectors %2)")
                     .arg(u.count)
                     .arg(ostrel::describeRanges(u.firstRanges, u.otherRanges));
    }
    if (u.readOnRetry > 0)
        lines << QStringLiteral("%1 skipped sectors could be read when tried again; files covering them hold zeros there.")
                     .arg(u.readOnRetry);
    if (!u.mapFile.isEmpty())
        lines << QStringLiteral("Map of the unreadable sectors (GNU ddrescue mapfile): %1").arg(u.mapFile);
    if (!u.mapError.isEmpty())
        lines << QStringLiteral("The map of the unreadable sectors could not be written: %1").arg(u.mapError);

    switch (p.end) {
    case PassEnd::Stopped:
        if (p.canContinue()) {
            lines << QStringLiteral("The search was stopped at sector %1; sectors %1 to %2 were not searched.")
                         .arg(p.sector)
                         .arg(p.rangeEnd);
            lines << QStringLiteral("To continue it: --range %1:%2").arg(p.sector).arg(p.rangeEnd);
            lines << QStringLiteral("  %1").arg(continueWith);
        } else {
            lines << QStringLiteral("The search was stopped while skipped sectors were being read again; "
                                    "the whole range had been searched.");
        }
        break;
    case PassEnd::MediumGone:
        lines << (p.anySectorRead
                      ? QStringLiteral("The medium stopped answering after sector %1 (it may have been removed); "
                                       "the search ended there.")
                            .arg(p.sector)
                      : QStringLiteral("The medium stopped answering before a single sector could be read "
                                       "(it may have been removed); the search ended."));
        if (p.error != 0)
            lines.last() += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(p.error)));
        lines << QStringLiteral("The files recovered up to then are listed above.");
        break;
    case PassEnd::Failed:
        lines << QStringLiteral("The search failed: %1").arg(p.message);
        break;
    case PassEnd::Completed:
    case PassEnd::DestinationFailed:
    case PassEnd::SourceFailed:
        break;
    }
    if (filesFound == 0 && (p.end == PassEnd::Completed || p.end == PassEnd::Stopped)) {
        QStringList hints{QStringLiteral("another --mode")};
        if (!thoroughAsked)
            hints << QStringLiteral("the thorough pass (--thorough)");
        if (rangeGiven)
            hints << QStringLiteral("the whole medium (no --range)");
        lines << QStringLiteral("No files were recovered. Try %1.").arg(hints.join(QStringLiteral(", ")));
    }
    return lines;
}
