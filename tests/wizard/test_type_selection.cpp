// A mode's type list and the filtered tables of a search, as the window,
// the command line and the search's summary use them: each type once in
// table order, the list sorted ignoring case (stable), and keeping or
// dropping every entry of a type, neighbours included. QtCore only.

#include "signatures/SignatureTable.h"
#include "signatures/TypeSelection.h"

#include <gtest/gtest.h>

namespace {

// A table of entries (type, description), the other fields made up.
QStringList table(std::initializer_list<std::pair<const char*, const char*>> entries)
{
    QStringList t;
    for (const auto& [type, description] : entries)
        t << type << "100" << "FFD8" << "1" << "" << description << "255";
    return t;
}

QStringList typesIn(const QStringList& t)
{
    QStringList types;
    for (qsizetype k = 0; k < sig::entryCount(t); ++k)
        types << sig::field(t, k, sig::Extension);
    return types;
}

const QStringList kGeneral = table({{"PDF", "Document"}, {"zip", "Archive"}, {"PDF", "Second PDF"}, {"Doc", "Word"}});
const QStringList kThorough = table({{"ZIP", "Archive (thorough)"}, {"PDF", "late"}, {"avi", "Movie"}});

TEST(TypeSelection, TypesOnceInTableOrder)
{
    EXPECT_EQ(sig::typesOf(kGeneral, kThorough), (QStringList{"PDF", "zip", "Doc", "ZIP", "avi"}));
    EXPECT_TRUE(sig::typesOf({}, {}).isEmpty());
}

TEST(TypeSelection, ListSortedIgnoringCaseWithFirstDescription)
{
    const QList<sig::TypeRow> rows = sig::typeList(kGeneral, kThorough);
    QStringList order;
    for (const sig::TypeRow& r : rows)
        order << r.extension;
    // "zip" before "ZIP": equal ignoring case, so table order stays.
    EXPECT_EQ(order, (QStringList{"avi", "Doc", "PDF", "zip", "ZIP"}));
    EXPECT_EQ(rows[2].description, QStringLiteral("Document"));
    EXPECT_FALSE(rows[2].thoroughOnly);
    EXPECT_TRUE(rows[0].thoroughOnly);
    EXPECT_TRUE(rows[4].thoroughOnly);
}

TEST(TypeSelection, KeepAndDropEveryEntryOfAType)
{
    // Two PDF entries in a row: dropping must not skip the second.
    const QStringList t = table({{"PDF", "a"}, {"PDF", "b"}, {"ZIP", "c"}, {"PDF", "d"}, {"DOC", "e"}});
    EXPECT_EQ(typesIn(sig::dropTypes(t, {"PDF"})), (QStringList{"ZIP", "DOC"}));
    EXPECT_EQ(typesIn(sig::dropTypes(t, {"PDF", "DOC"})), QStringList{"ZIP"});
    EXPECT_EQ(typesIn(sig::keepTypes(t, {"PDF"})), (QStringList{"PDF", "PDF", "PDF"}));
    EXPECT_EQ(sig::keepTypes(t, {"pdf"}), QStringList()); // types are case-sensitive keys
    EXPECT_EQ(sig::dropTypes(t, {}), t);
    // Whole entries move: the description of the kept DOC is its own.
    EXPECT_EQ(sig::field(sig::keepTypes(t, {"DOC"}), 0, sig::Description), QStringLiteral("e"));
}

} // namespace
