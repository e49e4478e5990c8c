#pragma once
// The pre-flight open of a medium's device node and the diagnostic lines
// written when the system refuses it (the errno rule itself is in
// device/DeviceErrors.h).

#include "device/DeviceErrors.h"

#include <QString>

#include <cstdio>

struct EditionProfile;

// The log line written when a device open fails for want of permission.
inline constexpr char kPermissionIssueLogLine[] =
    "Permission denied opening the device: offering a restart with administrator rights.";

// The reverse-domain identifier of the running edition
// ("org.ostrel-recovery.camera"); also the base name of its desktop entry.
QString applicationBundleIdentifier(const EditionProfile& profile);

// Writes one line to the system log (syslog, user facility) and to standard
// error, as diagnostic lines of the program are written.
void writeSystemLogLine(const QString& line);

// For a device open that failed with `err`: prints "err no : <err>\n" on
// standard output, and in the permission case writes kPermissionIssueLogLine
// to the system log. Returns the case. The window's engine host calls it
// when a search cannot open the medium. Any thread.
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
