#include "engine/EngineTexts.h"

const QString unable_saving_Msg = QStringLiteral(
    "Unable to continue saving recovered data.\n\nEither Destination Drive is inaccessible or there is no free "
    "space available in drive to save recovered data.");

QString saveFailureMessage(const QString& detail)
{
    const QString line = detail.trimmed();
    if (line.isEmpty())
        return unable_saving_Msg;
    return unable_saving_Msg + QStringLiteral("\n\n") + line;
}

bool isSaveFailureMessage(const QString& text)
{
    return text.startsWith(unable_saving_Msg);
}

QString sectorLabelText(quint64 forIndex, quint64 startSector, quint64 endSector, quint64 totalSector)
{
    const quint64 done = forIndex - startSector;
    // 128-bit product: done * 100 may not fit 64 bits on huge ranges.
    const quint64 percent =
        totalSector == 0 ? 0 : static_cast<quint64>(static_cast<unsigned __int128>(done) * 100 / totalSector);
    return QStringLiteral("Sectors %1 of %2   ( Completed %3% )").arg(forIndex).arg(endSector).arg(percent);
}
