#include "engine/PassOutcome.h"

#include <QStringList>

namespace ostrel {

QString describeRanges(const std::vector<SectorRange>& ranges, quint64 otherRanges)
{
    QStringList parts;
    for (const SectorRange& r : ranges)
        parts << (r.count == 1 ? QString::number(r.first) : QStringLiteral("%1-%2").arg(r.first).arg(r.end() - 1));
    QString text = parts.join(QStringLiteral(", "));
    if (otherRanges > 0)
        text += QStringLiteral(", and %1 more").arg(otherRanges);
    return text;
}

} // namespace ostrel
