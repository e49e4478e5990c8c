#include "util/FolderHelpers.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <sys/types.h>

namespace {

enum class Entry { Missing, Link, Other };

Entry entryAt(const QByteArray& path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return Entry::Missing;
    return S_ISLNK(st.st_mode) ? Entry::Link : Entry::Other;
}

// mkdir -p with mode 0777; a component made concurrently by someone else
// counts as made, a link does not.
bool makePath(const QByteArray& path)
{
    if (path.isEmpty())
        return false;
    switch (entryAt(path)) {
    case Entry::Other: return true;
    case Entry::Link: return false;
    case Entry::Missing: break;
    }
    qsizetype slash = path.lastIndexOf('/');
    while (slash > 0 && path.at(slash - 1) == '/')
        --slash;
    if (slash > 0 && !makePath(path.left(slash)))
        return false;
    if (::mkdir(path.constData(), 0777) == 0)
        return true;
    return errno == EEXIST && entryAt(path) == Entry::Other;
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
