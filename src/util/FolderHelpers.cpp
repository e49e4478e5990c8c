#include "util/FolderHelpers.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <sys/types.h>

namespace {

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// mkdir -p with mode 0777; a component made concurrently by someone else
// counts as made.
bool makePath(const QByteArray& path)
{
    if (path.isEmpty())
        return false;
    if (exists(path))
        return true;
    qsizetype slash = path.lastIndexOf('/');
    while (slash > 0 && path.at(slash - 1) == '/')
        --slash;
    if (slash > 0 && !makePath(path.left(slash)))
        return false;
    if (::mkdir(path.constData(), 0777) == 0)
        return true;
    return errno == EEXIST;
}

} // namespace

bool Create_Folder(const QString& path)
{
    if (path.isEmpty())
        return false;
    QByteArray native = QFile::encodeName(path);
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    return makePath(native);
}
