#pragma once
// What the media listing asks of the system: the mounted volume paths, one
// information dictionary per path (the platform half of find_disk_info), and
// the devices that can be searched without being mounted. The listing's rules
// live in media/MediaList and media/MediaRows; this interface only fetches.
// Implementations are used from one thread at a time.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class MediaPlatform {
public:
    virtual ~MediaPlatform() = default;

    // Mount paths of mounted volumes on removable or hot-plugged disks, in
    // the order the system mounted them.
    virtual QStringList mountedRemovableMedia() = 0;

    // Mount paths of every mounted local volume (internal disks included),
    // in the order the system mounted them.
    virtual QStringList mountedLocalVolumePaths() = 0;

    // The information dictionary for one mount path (keys in
    // media/MediaRows.h); empty when the path shows no device or the system
    // could not be asked.
    virtual QVariantMap diskInfo(const QString& mountPath) = 0;

    // Dictionaries for devices with nothing mounted that may be searched:
    // removable whole disks and their partitions, and with
    // `includeFixedPartitions` also partitions of internal disks.
    virtual QList<QVariantMap> unmountedDeviceInfos(bool includeFixedPartitions) = 0;
};
