#include "app/SupportFolder.h"

#include "app/InvokingUser.h"
#include "util/FolderHelpers.h"
#include "util/TextHelpers.h"

#include <QDir>

QString Created_Resource_Path(const QString& appName)
{
    return QDir(InvokingUser::current().dataHome()).filePath(Trim_Str(appName));
}

bool createResourcePath(const QString& appName)
{
    // In the user's own home it is made as them, so it is theirs.
    const InvokingUser& user = InvokingUser::current();
    const QString path = Created_Resource_Path(appName);
    return user.differsFromProcess ? createFolderAs(user.uid, user.gid, path) : Create_Folder(path);
}
