#include "media/MyDataObject.h"

MyDataObject::MyDataObject(const QString& string1, const QString& string2, const QString& string3,
                           const QString& string4, const QString& string5, const QString& string6)
    : nsStrDiskIdentifier(string1), nsStrVolName(string2), nsStrFileSystem(string3), nsStrSize(string4),
      nsStrParentDisk(string5), nsStrSectors(string6)
{
}

QString MyDataObject::valueForColumn(const QString& columnIdentifier) const
{
    if (columnIdentifier == QLatin1String("Collumn1"))
        return nsStrDiskIdentifier;
    if (columnIdentifier == QLatin1String("Collumn2"))
        return nsStrVolName;
    if (columnIdentifier == QLatin1String("Collumn3"))
        return nsStrFileSystem;
    if (columnIdentifier == QLatin1String("Collumn4"))
        return nsStrSize;
    if (columnIdentifier == QLatin1String("Collumn5"))
        return nsStrParentDisk;
    if (columnIdentifier == QLatin1String("Collumn6"))
        return nsStrSectors;
    return QString();
}

bool operator==(const MyDataObject& a, const MyDataObject& b)
{
    return a.nsStrDiskIdentifier == b.nsStrDiskIdentifier && a.nsStrVolName == b.nsStrVolName &&
           a.nsStrFileSystem == b.nsStrFileSystem && a.nsStrSize == b.nsStrSize &&
           a.nsStrParentDisk == b.nsStrParentDisk && a.nsStrSectors == b.nsStrSectors;
}
