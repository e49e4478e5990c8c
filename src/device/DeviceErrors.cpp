#include "device/DeviceErrors.h"

#include <cerrno>
#include <cstring>

DeviceOpenFailure classifyDeviceOpenError(int err)
{
    return err == EPERM || err == EACCES ? DeviceOpenFailure::Permission : DeviceOpenFailure::Generic;
}

QString deviceErrorText(int err)
{
    if (err == ENOTBLK) // how the sector source refuses a stream
        return QStringLiteral("Not a device or a disk image: a pipe, socket or terminal cannot be searched");
    // strerror is not thread-safe; the GNU strerror_r returns the text,
    // which may or may not live in the buffer given.
    char buffer[256] = {};
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    const char* text = strerror_r(err, buffer, sizeof buffer);
#else
    const char* text = strerror_r(err, buffer, sizeof buffer) == 0 ? buffer : "Unknown error";
#endif
    return QString::fromLocal8Bit(text);
}

QString devicePathForIdentifier(const QString& diskIdentifier)
{
    return QStringLiteral("/dev/") + diskIdentifier;
}
