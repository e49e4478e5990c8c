#pragma once
// A signature table is one flat list of texts, seven per entry, in file
// order. Field f of entry k is element 7k+f. Numbers stay text; each consumer
// converts them where it uses them.

#include <QStringList>

namespace sig {
enum Field : int {
    Extension = 0,      // type key, e.g. "JPG"; names type folders and files
    MaxSize = 1,        // largest carved size, decimal bytes
    HeaderHex = 2,      // two hex digits per header byte, case as written
    HeaderPosition = 3, // "1", "nn" (anywhere) or a 1-based byte number
    Spare = 4,          // carried along, never read
    Description = 5,    // shown in the file-type list
    FirstByte = 6,      // decimal text of the first header byte, made by the loader
};
constexpr int Stride = 7;

// Number of whole entries in a flat table.
inline qsizetype entryCount(const QStringList& table)
{
    return table.size() / Stride;
}

// Field `f` of entry `k`; the caller keeps k below entryCount().
inline const QString& field(const QStringList& table, qsizetype k, Field f)
{
    return table.at(k * Stride + f);
}
} // namespace sig
