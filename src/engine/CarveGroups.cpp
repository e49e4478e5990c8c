#include "engine/CarveGroups.h"

#include "signatures/SignatureTable.h"
#include "util/TextHelpers.h"

namespace ostrel {

std::vector<int> carveGroupOf(const QStringList& table, int entry)
{
    std::vector<int> group;
    const int entries = static_cast<int>(sig::entryCount(table));
    if (entry < 0 || entry >= entries)
        return group;
    const QString& hexE = sig::field(table, entry, sig::HeaderHex);
    const QString& posE = sig::field(table, entry, sig::HeaderPosition);
    group.push_back(entry);
    for (int f = entry + 1; f < entries; ++f) {
        const QString& hexF = sig::field(table, f, sig::HeaderHex);
        if (Find_Str(hexE, hexF) || (Find_Str(hexF, hexE) && sig::field(table, f, sig::HeaderPosition) == posE))
            group.push_back(f);
    }
    return group;
}

} // namespace ostrel
