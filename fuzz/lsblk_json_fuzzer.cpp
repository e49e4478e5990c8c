// libFuzzer target for the lsblk JSON reader and everything built from its
// records: the mounted-device dictionary, removability, the unmounted-device
// rules and the media row. Any input must give an answer or "not lsblk
// JSON", never a crash, a hang or a sanitizer report.
#include "media/LsblkJson.h"
#include "media/MediaRows.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto tree = readLsblkJson(json);
    if (!tree)
        return 0;
    const QVariantMap mounted =
        diskInfoFromInverseTree(*tree, QStringLiteral("vfat"), [](const QString&) { return QStringList(); });
    (void)rowFromDiskInfo(mounted);
    (void)removableByDevice(*tree);
    for (const bool fixed : {false, true}) {
        for (const QVariantMap& info : unmountedDeviceInfos(*tree, fixed))
            (void)rowFromDiskInfo(info);
    }
    return 0;
}
