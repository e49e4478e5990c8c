#pragma once
// Refusing a destination on the medium being searched: every file written
// there could overwrite the very sectors still to be recovered.

#include <QString>

namespace ostrel {

// True when `destination` (a folder, possibly not yet created: its nearest
// existing parent decides) lies on the block device `devicePath` or on
// another partition of the same whole disk, or on a partition of the disk
// `devicePath` names. Sources that are not block devices (disk image files)
// never clash. Reads stat() and /sys/dev/block; never writes.
bool destinationOnSearchedMedium(const QString& destination, const QString& devicePath);

} // namespace ostrel
