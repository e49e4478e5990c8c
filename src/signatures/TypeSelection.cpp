#include "signatures/TypeSelection.h"

#include "signatures/SignatureTable.h"

#include <algorithm>

namespace sig {
namespace {

// Table order, first occurrence wins.
QList<TypeRow> rowsInTableOrder(const QStringList& general, const QStringList& thorough)
{
    QList<TypeRow> rows;
    QStringList seen;
    for (const QStringList* table : {&general, &thorough}) {
        for (qsizetype k = 0; k < entryCount(*table); ++k) {
            const QString& ext = field(*table, k, Extension);
            if (seen.contains(ext))
                continue;
            seen << ext;
            rows.append({ext, field(*table, k, Description), table == &thorough});
        }
    }
    return rows;
}

// Copies the entries for which `keep(type)` holds.
template <typename Keep>
QStringList filtered(const QStringList& table, Keep keep)
{
    QStringList out;
    for (qsizetype k = 0; k < entryCount(table); ++k) {
        if (keep(field(table, k, Extension)))
            out << table.mid(k * Stride, Stride);
    }
    return out;
}

} // namespace

QStringList typesOf(const QStringList& general, const QStringList& thorough)
{
    QStringList types;
    for (const TypeRow& row : rowsInTableOrder(general, thorough))
        types << row.extension;
    return types;
}

QList<TypeRow> typeList(const QStringList& general, const QStringList& thorough)
{
    QList<TypeRow> rows = rowsInTableOrder(general, thorough);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TypeRow& a, const TypeRow& b) { return typeOrderLess(a.extension, b.extension); });
    return rows;
}

bool typeOrderLess(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

QStringList keepTypes(const QStringList& table, const QStringList& types)
{
    return filtered(table, [&](const QString& type) { return types.contains(type); });
}

QStringList dropTypes(const QStringList& table, const QStringList& types)
{
    return filtered(table, [&](const QString& type) { return !types.contains(type); });
}

} // namespace sig
