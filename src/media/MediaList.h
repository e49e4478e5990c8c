#pragma once
// The media list of the first wizard screen, without its window parts: which
// volumes are asked about, in which order, and the rows that result. Runs on
// the calling thread (the main thread in the window application); the tool
// runs synchronously, once per volume.

#include "media/MediaPlatform.h"
#include "media/MyDataObject.h"

#include <QList>
#include <QString>
#include <QTextStream>

struct EditionProfile;

// Asks the platform for the dictionary of one mount path and appends the row
// built from it, if any. Returns true when a row was appended.
bool find_disk_info(MediaPlatform& platform, const QString& mountPath, QList<MyDataObject>& rows);

// Walks the mounted removable media, or with USE_HARD_DISK every mounted local
// volume, in the system's order, and calls find_disk_info for each path that
// does not contain "/private/" (such paths are skipped before the system is
// asked about them). No sorting, no removal of duplicates.
void getVolumeToFSGetInfo(MediaPlatform& platform, bool USE_HARD_DISK, QList<MyDataObject>& rows);

// Appends rows for devices with nothing mounted (removable disks and their
// partitions; with USE_HARD_DISK also partitions of internal disks), after
// the mounted volumes, leaving out any identifier already in `rows`.
void appendUnmountedDeviceRows(MediaPlatform& platform, bool USE_HARD_DISK, QList<MyDataObject>& rows);

// The whole media list, built afresh: the mounted volumes of
// getVolumeToFSGetInfo, then the unmounted devices. The edition's
// USE_HARD_DISK decides between removable media and all local volumes.
QList<MyDataObject> Reload_Drive_list_Function(const EditionProfile& profile, MediaPlatform& platform);
// The same on this machine (LinuxMediaPlatform).
QList<MyDataObject> Reload_Drive_list_Function(const EditionProfile& profile);

// The rows as an aligned text table: a header line ("Identifier", "Volume
// name", "File system", "Size", "Parent disk", "Sectors") and one line per
// row, columns left-aligned and two blanks apart, no trailing blanks, each
// line ending in '\n'. Control characters in the cells (a volume label may
// hold any) are escaped (escapeControlCharacters).
QString formatMediaTable(const QList<MyDataObject>& rows);

// What the user reads when no medium was found for the edition: that none
// was, which media the edition lists, and what to do.
QString noMediaFoundText(const EditionProfile& profile);

// `ostrel-recover --list-media`: lists the media for the edition and prints
// the table to `out`, or noMediaFoundText when there is none. Returns the
// process exit status, 0 (an empty list is not a failure).
int printMediaTable(const EditionProfile& profile, QTextStream& out);
int printMediaTable(const EditionProfile& profile, QTextStream& out, MediaPlatform& platform);
