#include "engine/DestinationTree.h"

#include "device/DestinationGuard.h"
#include "device/DeviceErrors.h"
#include "engine/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace ostrel {

namespace {

// Folder descriptors kept open at once; past this the cache is emptied and
// levels are opened again from the destination (a search with thousands of
// types would otherwise run out of descriptors).
constexpr int kCachedFolders = 64;

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString systemReason(int error)
{
    switch (error) {
    case ELOOP: return QStringLiteral("is a symbolic link; links below the destination are never followed");
    case ENOTDIR: return QStringLiteral("is not a folder");
    default: return deviceErrorText(error);
    }
}

// Why `name` in `parentFd` could not be opened as a folder. O_NOFOLLOW |
// O_DIRECTORY gives ENOTDIR for a link as for a file, so the entry is
// looked at (without following it) to tell them apart.
QString levelReason(int parentFd, const QByteArray& name, int error)
{
    struct stat st {};
    if ((error == ENOTDIR || error == ELOOP) && ::fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return systemReason(S_ISLNK(st.st_mode) ? ELOOP : ENOTDIR);
    return systemReason(error);
}

bool validName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(u'/') &&
           !name.contains(QChar(0));
}

} // namespace

DestinationTree::DestinationTree(int rootFd, const QString& rootPath, const QStringList& medium, const FileOwner& owner)
    : rootFd_(rootFd), rootPath_(rootPath), medium_(medium), owner_(owner)
{
}

DestinationTree::~DestinationTree()
{
    dropCache();
    ::close(rootFd_);
}

std::unique_ptr<DestinationTree> DestinationTree::open(const QString& destination, const QStringList& medium,
                                                       const FileOwner& owner, Failure* failure)
{
    if (destination.isEmpty()) {
        *failure = {QString(), EINVAL, QStringLiteral("no destination folder was chosen")};
        return nullptr;
    }
    const QString wanted = QDir::cleanPath(QDir(destination).absolutePath());
    // The nearest existing folder of the path as typed; what is missing
    // below it is made level by level like the rest of the tree (which also
    // names the very entry that is in the way when one is not a folder).
    QString existing = wanted;
    QStringList missing;
    int fd;
    for (;;) {
        fd = ::open(QFile::encodeName(existing).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0)
            break;
        const int error = errno;
        const QString parent = QFileInfo(existing).path();
        if ((error != ENOENT && error != ENOTDIR) || parent == existing) {
            *failure = {existing, error, systemReason(error)};
            return nullptr;
        }
        missing.prepend(QFileInfo(existing).fileName());
        existing = parent;
    }
    std::unique_ptr<DestinationTree> tree(new DestinationTree(fd, existing, medium, owner));
    if (!tree->clearOfMedium(fd, existing)) {
        *failure = tree->failure_;
        return nullptr;
    }
    for (const QString& name : missing) {
        const QString path = joined(tree->rootPath_, name);
        const int next = tree->openLevel(tree->rootFd_, name, path);
        if (next < 0) {
            *failure = tree->failure_;
            return nullptr;
        }
        ::close(tree->rootFd_);
        tree->rootFd_ = next;
        tree->rootPath_ = path;
    }
    return tree;
}

void DestinationTree::dropCache()
{
    for (const int fd : std::as_const(cache_))
        ::close(fd);
    cache_.clear();
}

bool DestinationTree::clearOfMedium(int fd, const QString& path)
{
    if (medium_.isEmpty())
        return true;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        failure_ = {path, errno, systemReason(errno)};
        return false;
    }
    const quint64 device = st.st_dev;
    auto known = deviceOnMedium_.constFind(device);
    if (known == deviceOnMedium_.constEnd()) {
        bool onMedium = false;
        for (const QString& name : destguard::blockDevicesOfFileSystem(::major(st.st_dev), ::minor(st.st_dev)))
            onMedium = onMedium || medium_.contains(name);
        known = deviceOnMedium_.insert(device, onMedium);
    }
    if (*known) {
        failure_ = {path, 0,
                    QStringLiteral("lies on the medium being searched; writing there would overwrite the data to be "
                                   "recovered")};
        return false;
    }
    return true;
}

int DestinationTree::openLevel(int parentFd, const QString& name, const QString& path)
{
    if (!validName(name)) {
        failure_ = {path, EINVAL, QStringLiteral("is not a usable folder name")};
        return -1;
    }
    const QByteArray native = QFile::encodeName(name);
    bool made = ::mkdirat(parentFd, native.constData(), 0777) == 0;
    if (!made && errno != EEXIST) {
        failure_ = {path, errno, systemReason(errno)};
        return -1;
    }
    const int fd = ::openat(parentFd, native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        failure_ = {path, error, levelReason(parentFd, native, error)};
        return -1;
    }
    if (!clearOfMedium(fd, path)) {
        ::close(fd);
        return -1;
    }
    // Only a folder this run made (still root's, so nobody swapped another
    // one in meanwhile) is given away.
    struct stat st {};
    if (made && ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid())
        owner_.applyTo(fd);
    return fd;
}

DestinationTree::Folder DestinationTree::folder(const QStringList& components)
{
    const QString key = components.join(u'/');
    const QString path = key.isEmpty() ? rootPath_ : joined(rootPath_, key);
    if (const auto hit = cache_.constFind(key); hit != cache_.constEnd())
        return {*hit, path};
    if (cache_.size() + components.size() > kCachedFolders)
        dropCache();
    int parent = rootFd_;
    QString parentKey;
    QString parentPath = rootPath_;
    for (const QString& name : components) {
        const QString levelKey = parentKey.isEmpty() ? name : parentKey + u'/' + name;
        const QString levelPath = joined(parentPath, name);
        int fd = cache_.value(levelKey, -1);
        if (fd < 0) {
            fd = openLevel(parent, name, levelPath);
            if (fd < 0)
                return {};
            cache_.insert(levelKey, fd);
        }
        parent = fd;
        parentKey = levelKey;
        parentPath = levelPath;
    }
    return {parent, path};
}

bool DestinationTree::createFile(OutputFile& file, const Folder& folder, const QString& name, int* error)
{
    if (!validName(name)) {
        *error = EINVAL;
        failure_ = {joined(folder.path, name), EINVAL, QStringLiteral("is not a usable file name")};
        return false;
    }
    if (!file.createAt(folder.fd, folder.path, name, error)) {
        if (*error != EEXIST)
            failure_ = {joined(folder.path, name), *error, systemReason(*error)};
        return false;
    }
    owner_.applyTo(file.descriptor());
    return true;
}

bool DestinationTree::removeFile(const QStringList& components, const QString& name)
{
    const Folder dir = folder(components);
    return dir && validName(name) && ::unlinkat(dir.fd, QFile::encodeName(name).constData(), 0) == 0;
}

bool DestinationTree::moveFile(const QStringList& from, const QString& name, const QStringList& to,
                               const QString& newName, int* error)
{
    *error = EINVAL;
    if (!validName(name) || !validName(newName))
        return false;
    // folder() hands out one descriptor at a time: keep a copy of the first.
    const Folder source = folder(from);
    const int sourceFd = source ? ::fcntl(source.fd, F_DUPFD_CLOEXEC, 0) : -1;
    if (sourceFd < 0) {
        *error = errno ? errno : ENOENT;
        return false;
    }
    const Folder target = folder(to);
    bool moved = false;
    if (target) {
        moved = ::renameat2(sourceFd, QFile::encodeName(name).constData(), target.fd,
                            QFile::encodeName(newName).constData(), RENAME_NOREPLACE) == 0;
        *error = moved ? 0 : errno;
    }
    ::close(sourceFd);
    return moved;
}

} // namespace ostrel
