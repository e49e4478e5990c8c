#include "media/MediaList.h"

#include "edition/EditionProfile.h"
#include "media/LinuxMediaPlatform.h"
#include "media/MediaRows.h"
#include "util/TextHelpers.h"

#include <QSet>

#include <algorithm>

bool find_disk_info(MediaPlatform& platform, const QString& mountPath, QList<MyDataObject>& rows)
{
    const std::optional<MyDataObject> row = rowFromDiskInfo(platform.diskInfo(mountPath));
    if (!row)
        return false;
    rows.append(*row);
    return true;
}

void getVolumeToFSGetInfo(MediaPlatform& platform, bool USE_HARD_DISK, QList<MyDataObject>& rows)
{
    const QStringList paths = USE_HARD_DISK ? platform.mountedLocalVolumePaths() : platform.mountedRemovableMedia();
    for (const QString& path : paths) {
        if (Find_Str(path, QStringLiteral("/private/")))
            continue;
        find_disk_info(platform, path, rows);
    }
}

void appendUnmountedDeviceRows(MediaPlatform& platform, bool USE_HARD_DISK, QList<MyDataObject>& rows)
{
    QSet<QString> listed;
    for (const MyDataObject& r : rows)
        listed.insert(r.nsStrDiskIdentifier);
    for (const QVariantMap& info : platform.unmountedDeviceInfos(USE_HARD_DISK)) {
        const std::optional<MyDataObject> row = rowFromDiskInfo(info);
        if (!row || listed.contains(row->nsStrDiskIdentifier))
            continue;
        listed.insert(row->nsStrDiskIdentifier);
        rows.append(*row);
    }
}

QList<MyDataObject> Reload_Drive_list_Function(const EditionProfile& profile, MediaPlatform& platform)
{
    QList<MyDataObject> rows;
    getVolumeToFSGetInfo(platform, profile.USE_HARD_DISK, rows);
    appendUnmountedDeviceRows(platform, profile.USE_HARD_DISK, rows);
    return rows;
}

QList<MyDataObject> Reload_Drive_list_Function(const EditionProfile& profile)
{
    LinuxMediaPlatform platform;
    return Reload_Drive_list_Function(profile, platform);
}

QString formatMediaTable(const QList<MyDataObject>& rows)
{
    constexpr int kColumns = 6;
    QList<QStringList> lines;
    lines.append({QStringLiteral("Identifier"), QStringLiteral("Volume name"), QStringLiteral("File system"),
                  QStringLiteral("Size"), QStringLiteral("Parent disk"), QStringLiteral("Sectors")});
    for (const MyDataObject& r : rows) {
        // The size text ends in a blank; the table aligns on the text itself.
        // Labels come from the medium: shown escaped, never as terminal codes.
        QStringList cells{r.nsStrDiskIdentifier, r.nsStrVolName, r.nsStrFileSystem, r.nsStrSize.trimmed(),
                          r.nsStrParentDisk, r.nsStrSectors};
        for (QString& cell : cells)
            cell = escapeControlCharacters(cell);
        lines.append(cells);
    }
    qsizetype width[kColumns] = {};
    for (const QStringList& line : lines) {
        for (int c = 0; c < kColumns; ++c)
            width[c] = std::max(width[c], line.at(c).size());
    }
    QString text;
    for (const QStringList& line : lines) {
        QString out;
        for (int c = 0; c < kColumns; ++c) {
            out += line.at(c);
            if (c + 1 < kColumns)
                out += QString(width[c] - line.at(c).size() + 2, QLatin1Char(' '));
        }
        while (out.endsWith(QLatin1Char(' ')))
            out.chop(1);
        text += out + QLatin1Char('\n');
    }
    return text;
}

QString noMediaFoundText(const EditionProfile& profile)
{
    if (profile.USE_HARD_DISK)
        return QStringLiteral("No storage media were found: no disk, partition, memory card or USB drive is "
                              "attached, or lsblk (util-linux) could not list them.\n"
                              "Insert the card or drive, then list the media again.\n");
    return QStringLiteral("No storage media were found: the %1 lists removable media only (memory cards, USB "
                          "drives, card readers), and none is attached.\n"
                          "Insert the card or drive, then list the media again; to list internal disks as well, "
                          "use --edition professional.\n")
        .arg(profile.APP_LONG_NAME);
}

int printMediaTable(const EditionProfile& profile, QTextStream& out, MediaPlatform& platform)
{
    const QList<MyDataObject> rows = Reload_Drive_list_Function(profile, platform);
    out << (rows.isEmpty() ? noMediaFoundText(profile) : formatMediaTable(rows));
    out.flush();
    return 0;
}

int printMediaTable(const EditionProfile& profile, QTextStream& out)
{
    LinuxMediaPlatform platform;
    return printMediaTable(profile, out, platform);
}
