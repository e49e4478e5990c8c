#include "media/MediaRows.h"

#include "util/TextHelpers.h"

#include <charconv>
#include <cstdlib>

namespace {
// The byte count as an unsigned 64-bit number; absent or not a number is 0.
quint64 readByteCount(const QVariantMap& info)
{
    const QVariant v = info.value(diskinfo::IOKitSize);
    if (!v.isValid())
        return 0;
    bool ok = false;
    const quint64 n = v.toULongLong(&ok);
    return ok ? n : 0;
}
} // namespace

QString getMPSize(const QString& byteCountText)
{
    // strtof reads the decimal text straight into a float (no detour through
    // double), stops at the first character that is not part of a number and
    // gives 0 when there is none.
    const QByteArray digits = byteCountText.toLatin1();
    float value = std::strtof(digits.constData(), nullptr);
    const char* unit = "bytes";
    if (value > 1024.0f) {
        value /= 1024.0f;
        unit = " KB";
        if (value > 1024.0f) {
            value /= 1024.0f;
            unit = " MB";
            if (value > 1024.0f) {
                value /= 1024.0f;
                unit = " GB";
                if (value > 1024.0f) {
                    value /= 1024.0f;
                    unit = " TB";
                }
            }
        }
    }
    // "%.2f" as printf writes it in the C locale: std::to_chars rounds the
    // exact binary value the same way (1.125 gives "1.12"), which
    // QString::number does not, and ignores the locale's decimal comma.
    char number[64];
    const auto end = std::to_chars(number, number + sizeof number, static_cast<double>(value),
                                   std::chars_format::fixed, 2);
    return QString::fromLatin1(number, end.ptr - number) + QLatin1Char(' ') + QLatin1String(unit) + QLatin1Char(' ');
}

std::optional<MyDataObject> rowFromDiskInfo(const QVariantMap& info)
{
    if (info.value(diskinfo::BusProtocol).toString() == QLatin1String("Disk Image"))
        return std::nullopt;
    if (Find_Str(info.value(diskinfo::OpticalDeviceType).toString(), QStringLiteral("CD")))
        return std::nullopt;

    const QString identifier = info.value(diskinfo::DeviceIdentifier).toString();
    const QVariant name = info.value(diskinfo::VolumeName);
    const QString fileSystem = info.value(diskinfo::FilesystemUserVisibleName).toString();
    const QString parentDisk = info.value(diskinfo::ParentWholeDisk).toString();

    const quint64 bytes = readByteCount(info);
    const QString bytesText = QString::number(bytes);
    const QString humanSize = getMPSize(bytesText);
    const QString sectors = QString::number(bytes / kSectorBytes);

    QString volumeName;
    if (name.isValid()) {
        volumeName = name.toString();
        if (volumeName.isEmpty())
            volumeName = QStringLiteral("Untitled");
    }

    if (identifier.isEmpty())
        return std::nullopt;
    return MyDataObject(identifier, volumeName, fileSystem, humanSize, parentDisk, sectors);
}
