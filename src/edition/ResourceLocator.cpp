#include "edition/ResourceLocator.h"

#include <QDir>
#include <QFileInfo>

QString findResourceDir(const QString& executableDir)
{
    const QDir exe(executableDir);
    const QStringList candidates = {
        exe.filePath(QStringLiteral("resources")),
        exe.filePath(QStringLiteral("../share/ostrel-recovery/resources")),
    };
    for (const QString& c : candidates) {
        if (QFileInfo(c).isDir())
            return QDir::cleanPath(c);
    }
    return QDir::cleanPath(candidates.first());
}
