#pragma once
// What a refused device open means, and where a medium's device node is.
// One rule for the pre-flight check, the search engines and the window's
// alerts, so they always agree on which alert a failure gets. Any thread.

#include <QString>

enum class DeviceOpenFailure {
    Permission, // EPERM (1) or EACCES (13): the user lacks the rights to read the device
    Generic,    // anything else (the device went away, no such device, ...)
};

// errno 1 and 13 are the permission case; every other value is generic.
DeviceOpenFailure classifyDeviceOpenError(int err);

// The system's text for an errno value ("No such file or directory"), as the
// generic device alert and the save-failure line show it; for ENOTBLK, which the sector source gives
// a pipe, socket or terminal, a sentence saying so. Thread-safe.
QString deviceErrorText(int err);

// The device node of a media row: "/dev/" + its identifier. Linux has no
// separate raw nodes; the block device itself is read.
QString devicePathForIdentifier(const QString& diskIdentifier);
