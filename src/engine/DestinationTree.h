#pragma once
// The folders and files a search creates below its destination, reached
// without ever following a symbolic link.
//
// The program runs as root and writes into a folder that its user (or, on a
// shared stick, anyone) can change while it runs. So the destination is
// opened once as a folder descriptor and every level below it is made and
// opened relative to its parent's descriptor (mkdirat, then openat with
// O_NOFOLLOW | O_DIRECTORY); files are created with openat(O_CREAT | O_EXCL
// | O_NOFOLLOW). A link, or anything that is not a folder where a folder
// belongs, is a failure naming the path; nothing is written through it. The
// check against the searched medium is made on the file system of each
// folder actually opened (fstat of its descriptor), so a link or a mount
// below the destination cannot lead onto the medium either. What is created
// is given to the person who started the program (FileOwner).
//
// Thread: the worker thread of a run; one caller at a time.

#include "engine/FileOwner.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

namespace ostrel {

class OutputFile;

class DestinationTree {
public:
    // Why the last folder or file could not be made: the path (as the user
    // would type it), errno (0 when the reason is not a system error) and a
    // reason fit to show.
    struct Failure {
        QString path;
        int error = 0;
        QString reason;
        // "<path>: <reason>", empty when nothing failed.
        QString text() const
        {
            return path.isEmpty() || reason.isEmpty() ? reason : path + QStringLiteral(": ") + reason;
        }
    };

    // A folder of the tree: its descriptor (owned by the tree, valid until
    // the next call of folder()) and its path for messages.
    struct Folder {
        int fd = -1;
        QString path;
        explicit operator bool() const { return fd >= 0; }
    };

    // Opens `destination`, the folder the user chose (links in that path are
    // followed, as the user typed it; a missing end of it is made like any
    // level below). `medium` lists the kernel names of the searched medium's
    // block devices (destguard::mediumDevices); a folder on any of them is
    // refused. Returns null with *failure set when the destination cannot
    // be used.
    static std::unique_ptr<DestinationTree> open(const QString& destination, const QStringList& medium,
                                                 const FileOwner& owner, Failure* failure);
    ~DestinationTree();
    DestinationTree(const DestinationTree&) = delete;
    DestinationTree& operator=(const DestinationTree&) = delete;

    // The folder reached by `components` below the destination, each level
    // made when missing (0777 less the umask, given to the owner). Each
    // component is one name: empty, ".", ".." or a name with '/' is refused.
    // A failed folder is returned empty with failure() set.
    Folder folder(const QStringList& components);

    // Creates `name` in `folder` into `file` (exclusively, mode 0666 less the
    // umask, given to the owner). False with *error = errno; EEXIST means the
    // name is taken and is no failure; any other error also sets failure().
    bool createFile(OutputFile& file, const Folder& folder, const QString& name, int* error);

    // Removes file `name` from the folder reached by `components` (a file
    // found to be part of another one). False when it could not be removed.
    bool removeFile(const QStringList& components, const QString& name);

    // Moves file `name` from folder `from` to folder `to` as `newName` (a
    // file whose content proved another type), never replacing anything:
    // false with *error = errno, EEXIST when `newName` is taken there.
    bool moveFile(const QStringList& from, const QString& name, const QStringList& to, const QString& newName,
                  int* error);

    const Failure& failure() const { return failure_; }
    const QString& destination() const { return rootPath_; }

private:
    DestinationTree(int rootFd, const QString& rootPath, const QStringList& medium, const FileOwner& owner);
    // Makes (when missing) and opens `name` in `parentFd`; -1 with failure_
    // set. `path` is the level's path for messages.
    int openLevel(int parentFd, const QString& name, const QString& path);
    // False (failure_ set) when the folder open at `fd` lies on the medium.
    bool clearOfMedium(int fd, const QString& path);
    void dropCache();

    int rootFd_;
    QString rootPath_;
    QStringList medium_;
    FileOwner owner_;
    QHash<QString, int> cache_;        // relative path -> descriptor
    QHash<quint64, bool> deviceOnMedium_; // st_dev -> verdict, asked once per file system
    Failure failure_;
};

} // namespace ostrel
