#pragma once

#include <QString>

// Creates the folder at `path` with every missing parent, asking for
// permissions 0777 (the umask still applies). Returns true when it was created
// or when anything already exists at the path (a file included; the type of an
// existing entry is not checked), false when creation failed.
bool Create_Folder(const QString& path);
