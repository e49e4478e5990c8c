#pragma once
// One row of the media table: six texts, never numbers. The wizard copies the
// chosen row into its later screens and converts nsStrSectors with a 64-bit
// parse where it needs a number. A plain value: rows are copied, not shared.

#include <QString>
#include <QVariantMap>

class MyDataObject {
public:
    QString nsStrDiskIdentifier; // kernel device name ("sdb1", "mmcblk0p1"); the device is "/dev/" + this
    QString nsStrVolName;        // volume label; "Untitled" when the volume has an empty one
    QString nsStrFileSystem;     // user-visible file-system name ("FAT32", "exFAT", ...) or empty
    QString nsStrSize;           // capacity in human form, from getMPSize
    QString nsStrParentDisk;     // kernel name of the whole disk holding the volume
    QString nsStrSectors;        // capacity in 512-byte sectors, decimal digits

    QVariantMap root;                      // kept empty; nothing is stored in it
    const MyDataObject* parent = nullptr;  // non-owning

    MyDataObject() = default;
    // Sets the six texts in the order of the members above.
    MyDataObject(const QString& string1, const QString& string2, const QString& string3,
                 const QString& string4, const QString& string5, const QString& string6);

    void setParent(const MyDataObject* parentRow) { parent = parentRow; }

    // The text shown in the media table column with this identifier
    // ("Collumn1" .. "Collumn6"); a null QString for any other identifier.
    QString valueForColumn(const QString& columnIdentifier) const;

    // Rows compare by their six texts.
    friend bool operator==(const MyDataObject& a, const MyDataObject& b);
};
