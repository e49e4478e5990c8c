#pragma once
// The pure half of the media listing: from one volume's information
// dictionary to a media-table row (or none), and the human size text. No
// system calls; every rule about which volumes are offered lives here.

#include "media/MyDataObject.h"

#include <QLatin1String>
#include <QString>
#include <QVariantMap>

#include <optional>

// Keys of the information dictionary that the platform step returns for one
// volume. Values are texts, except IOKitSize (an unsigned byte count) and
// Removable (a bool, used only to choose removable media).
namespace diskinfo {
inline constexpr QLatin1String BusProtocol("BusProtocol");             // "Disk Image" for loop devices
inline constexpr QLatin1String OpticalDeviceType("OpticalDeviceType"); // only for optical drives
inline constexpr QLatin1String DeviceIdentifier("DeviceIdentifier");
inline constexpr QLatin1String VolumeName("VolumeName");
inline constexpr QLatin1String FilesystemUserVisibleName("FilesystemUserVisibleName");
inline constexpr QLatin1String ParentWholeDisk("ParentWholeDisk");
inline constexpr QLatin1String IOKitSize("IOKitSize");
inline constexpr QLatin1String Removable("Removable");
} // namespace diskinfo

// Sectors are 512 bytes whatever the device's own block size.
inline constexpr quint64 kSectorBytes = 512;

// Capacity in human form from a byte count written in decimal digits. The
// arithmetic is single-precision float throughout, so large counts round the
// way a float does (1073741825 bytes give "1024.00  MB "). Units step up only
// above 1024 (strictly); the text is "%.2f %@ " with the units "bytes",
// " KB", " MB", " GB", " TB" (note the blank those units begin with and the
// trailing blank). The decimal point is always '.', whatever the locale.
// Text that is not a number counts as 0.
QString getMPSize(const QString& byteCountText);

// Builds the media row for one volume's dictionary, or nothing when the volume
// is not offered: BusProtocol exactly "Disk Image", an OpticalDeviceType
// containing "CD" (case-sensitive), or an absent or empty DeviceIdentifier.
// An empty VolumeName becomes "Untitled" (an absent one stays empty); the size
// text and the 512-byte sector count (remainder dropped) come from IOKitSize,
// which reads as 0 when absent or not a number.
std::optional<MyDataObject> rowFromDiskInfo(const QVariantMap& info);
