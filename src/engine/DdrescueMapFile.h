#pragma once
// The map of a search's unreadable sectors as a GNU ddrescue mapfile, so that
// ddrescue (to image the medium, resuming from what is known), ddrescuelog
// and ddrescueview can use it. Positions and sizes are in bytes: sector n
// is byte n * 512.

#include "engine/SectorMap.h"

#include <QDateTime>
#include <QString>

namespace ostrel {

struct MapFileHeading {
    QString program;      // "Ostrel Recovery 0.1.0"
    QString commandLine;  // what was searched, for the reader of the file
    QDateTime started;
    QDateTime saved;
    quint64 currentSector = 0; // where reading ended
};

// The mapfile text for sectors [0, domainEnd): every run of the map, gaps as
// non-tried. The status line says "finished" when nothing is left untried.
QString ddrescueMapText(const SectorMap& map, quint64 domainEnd, const MapFileHeading& heading);

// Writes `text` to a new file `<folder>/<baseName>.map` (then "<baseName>
// 2.map", ... when the name is taken: an earlier map is never replaced).
// Returns the path, or an empty string with *error set.
QString writeNewMapFile(const QString& folder, const QString& baseName, const QString& text, QString* error);

} // namespace ostrel
