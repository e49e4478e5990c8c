#pragma once
// Opening a medium's device node and what to do when the system refuses. The
// errno rule is shared by the pre-flight check, the search engines and the
// window's alerts, so they always agree on which alert a failure gets.

#include <QString>

#include <cstdio>

struct EditionProfile;

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

// The log line written when a device open fails for want of permission.
inline constexpr char kPermissionIssueLogLine[] =
    "Permission denied opening the device: offering a restart with administrator rights.";

// The device node of a media row: "/dev/" + its identifier. Linux has no
// separate raw nodes; the block device itself is read.
QString devicePathForIdentifier(const QString& diskIdentifier);

// The reverse-domain identifier of the running edition
// ("org.ostrel-recovery.camera"); also the base name of its desktop entry.
QString applicationBundleIdentifier(const EditionProfile& profile);

// Writes one line to the system log (syslog, user facility) and to standard
// error, as diagnostic lines of the program are written.
void writeSystemLogLine(const QString& line);

// For a device open that failed with `err`: prints "err no : <err>\n" on
// standard output, and in the permission case writes kPermissionIssueLogLine
// to the system log. Returns the case, so the caller can pick the alert.
DeviceOpenFailure reportDeviceOpenFailure(int err);

// Pre-flight check on a device path: opens it for reading ("rb") into
// `pFile_Disk`, then flushes and closes it again, leaving `pFile_Disk` null.
// When the open fails it prints "err no : <errno>\n" on standard output and
// logs "Application Bundle Identifier: <bundleIdentifier>". There is no
// stored access decision to reset on Linux, so no command is run. Returns 0
// when the open succeeded, else its errno; the search starts either way.
int checkDeviceOpen(const QString& devicePath, std::FILE*& pFile_Disk, const QString& bundleIdentifier);

// The same check on the device of a media row ("/dev/" + identifier); the
// wizard calls it just before it starts the search thread.
void Check_Have_Permissions(const QString& diskIdentifier, std::FILE*& pFile_Disk, const QString& bundleIdentifier);
