#pragma once
// Who owns what a search creates in the destination. The program runs as
// root (through pkexec or sudo) on behalf of a person; the folders and files
// it makes for that person are theirs, so they can open, move and delete
// them without administrator rights. Only a search started by root from a
// root session leaves them to root.

#include <QProcessEnvironment>

#include <sys/types.h>

namespace ostrel {

struct FileOwner {
    bool change = false; // false: leave what is created to the process's own user
    uid_t uid = 0;
    gid_t gid = static_cast<gid_t>(-1); // -1: keep the group

    // Gives the file or folder open at `fd` to this owner (fchown on the
    // descriptor, never on a path). Best effort: file systems without owners
    // (FAT, exFAT, NTFS through FUSE) refuse it and decide the owner by
    // their mount options, which is no failure of the search.
    void applyTo(int fd) const;
};

// The person who started the program: when the process runs as root
// (`effectiveUid` 0), the user pkexec names in PKEXEC_UID (with that user's
// primary group from the password database), else the user and group sudo
// names in SUDO_UID and SUDO_GID. No change when neither is set, when they
// name root, when they are not numbers, or when the process is not root.
FileOwner invokingUser(const QProcessEnvironment& environment, uid_t effectiveUid);

// The same for this process.
FileOwner invokingUser();

} // namespace ostrel
