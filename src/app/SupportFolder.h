#pragma once
// The program's own support folder, which lives with the person the program
// works for (app/InvokingUser.h), not with root.

#include <QString>

// The XDG data folder of the user the program works for joined with the
// trimmed bundle name. Any thread once InvokingUser::current() is resolved.
QString Created_Resource_Path(const QString& appName);

// Creates that folder (missing parents too), as that user when the process
// runs for someone else; false when it could not be made. Main thread.
bool createResourcePath(const QString& appName);
