#include "wizard/ListingRules.h"

namespace wizard {

Listing listingFor(quint64 shown, quint64 counted, quint64 limit)
{
    if (shown >= limit)
        return Listing::CountOnly;
    if (counted >= limit)
        return Listing::Neither;
    return Listing::Show;
}

bool scrollsToEnd(quint64 count, int mode)
{
    return count % (mode == 0 ? 6 : 4) == 0;
}

} // namespace wizard
