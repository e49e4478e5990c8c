#pragma once
// Lets GoogleTest print media rows and information dictionaries in failure
// messages.

#include "common/QtPrinters.h"
#include "media/MyDataObject.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

#include <ostream>

inline void PrintTo(const MyDataObject& r, std::ostream* os)
{
    *os << "MyDataObject{" << r.nsStrDiskIdentifier << ", " << r.nsStrVolName << ", " << r.nsStrFileSystem << ", "
        << r.nsStrSize << ", " << r.nsStrParentDisk << ", " << r.nsStrSectors << "}";
}

inline void PrintTo(const QVariantMap& m, std::ostream* os)
{
    *os << QJsonDocument(QJsonObject::fromVariantMap(m)).toJson(QJsonDocument::Compact).toStdString();
}
