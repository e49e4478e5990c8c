#pragma once
// The file types of a search mode and the filtered tables a search uses.
// One set of rules for every front end: the window's type list, the
// command line's --types and the search's per-type summary all come from
// here. QtCore only; any thread (pure functions of their arguments).

#include <QList>
#include <QString>
#include <QStringList>

namespace sig {

// One row of a mode's type list.
struct TypeRow {
    QString extension;   // the entries' type key ("JPG")
    QString description; // from the type's first entry
    bool thoroughOnly = false; // the general table has no entry of this type
};

// The types of `general` then `thorough`, each once, in table order.
QStringList typesOf(const QStringList& general, const QStringList& thorough);

// The rows of the window's type list: each type once (its first entry's
// description), sorted by extension ignoring letter case; types that differ
// only in case keep their table order.
QList<TypeRow> typeList(const QStringList& general, const QStringList& thorough);

// The list's order: extensions compared ignoring letter case.
bool typeOrderLess(const QString& a, const QString& b);

// `table` with only the entries whose type is in `types`, in their order.
QStringList keepTypes(const QStringList& table, const QStringList& types);

// `table` without the entries whose type is in `types`, in their order.
QStringList dropTypes(const QStringList& table, const QStringList& types);

} // namespace sig
