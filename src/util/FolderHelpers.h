#pragma once

#include <QString>

// Creates the folder at `path` with every missing parent, asking for
// permissions 0777 (the umask still applies). Returns true when it was created
// or when anything but a symbolic link already exists at the path (a file
// included; the type of an existing entry is not checked), false when
// creation failed. A symbolic link is never counted as a made folder nor
// created through: an existing link at the path, or as the nearest existing
// parent of what is to be made, gives false. (Links higher up the path, such
// as a linked home folder, are not examined.) The recovered files themselves
// are placed by engine/DestinationTree, which follows no link at all.
bool Create_Folder(const QString& path);
