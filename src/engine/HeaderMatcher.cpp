#include "engine/HeaderMatcher.h"

#include "signatures/HexDecode.h"
#include "signatures/SignatureTable.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

namespace {
constexpr int kHighestFixedStart = 506;
} // namespace

HeaderMatcher::HeaderMatcher(const QStringList& flatTable)
{
    const qsizetype count = sig::entryCount(flatTable);
    entries_.reserve(count);
    for (qsizetype k = 0; k < count; ++k) {
        Entry e;
        const QString& hex = sig::field(flatTable, k, sig::HeaderHex);
        const qsizetype n = hex.size() / 2;
        e.header.reserve(n);
        for (qsizetype i = 0; i < n; ++i)
            e.header.push_back(static_cast<uint8_t>(hex2int(hex.mid(2 * i, 2))));
        e.firstByte = static_cast<int>(leadingDecimal(sig::field(flatTable, k, sig::FirstByte)));
        const QString& position = sig::field(flatTable, k, sig::HeaderPosition);
        if (position == QLatin1String("1")) {
            e.kind = Kind::First;
            e.start = 0;
        } else if (position == QLatin1String("nn")) {
            e.kind = Kind::Anywhere;
            e.start = 0;
        } else {
            e.kind = Kind::Fixed;
            const qint64 N = leadingDecimal(position);
            // Out-of-range numbers are clamped to a start that never matches.
            e.start = (N - 1 < -1 || N - 1 > kHighestFixedStart) ? -1 : static_cast<int>(N - 1);
        }
        entries_.push_back(std::move(e));
    }
    for (const Entry& e : entries_) {
        if (e.header.empty() || e.firstByte < 0 || e.firstByte > 255)
            continue; // never matches
        if (e.kind == Kind::Anywhere) {
            hasAnywhere_ = true;
            continue;
        }
        if (e.start < 0)
            continue;
        auto it = std::find_if(quick_.begin(), quick_.end(), [&](const QuickTest& q) { return q.position == e.start; });
        if (it == quick_.end()) {
            quick_.push_back(QuickTest{e.start, {0, 0, 0, 0}});
            it = quick_.end() - 1;
        }
        it->firstBytes[e.firstByte >> 6] |= uint64_t(1) << (e.firstByte & 63);
    }
}

bool HeaderMatcher::mayMatch(const unsigned char* sector) const
{
    if (hasAnywhere_)
        return true;
    for (const QuickTest& q : quick_) {
        const unsigned b = sector[q.position];
        if (q.firstBytes[b >> 6] & (uint64_t(1) << (b & 63)))
            return true;
    }
    return false;
}

// Compares the whole header with the sector from byte p; *equalCount gets the
// number of leading bytes that agree (bytes from 512 on never agree).
bool HeaderMatcher::matchesAt(const Entry& e, const unsigned char* sector, int p, int* equalCount)
{
    const int n = static_cast<int>(e.header.size());
    int m = 0;
    while (m < n && p + m < kSectorSize && sector[p + m] == e.header[m])
        ++m;
    *equalCount = m;
    return m == n;
}

// The byte where an "anywhere" entry's header is found, or -1.
int HeaderMatcher::anywhereHit(const Entry& e, const unsigned char* sector)
{
    if (e.firstByte < 0 || e.firstByte > 255)
        return -1;
    int p = 0;
    int m = 0;
    while (p < kSectorSize) {
        const void* hit = std::memchr(sector + p, e.firstByte, kSectorSize - p);
        if (!hit)
            return -1;
        p = static_cast<int>(static_cast<const unsigned char*>(hit) - sector);
        if (matchesAt(e, sector, p, &m))
            return p;
        p += m > 0 ? m : 1;
    }
    return -1;
}

int HeaderMatcher::formatStart(int k, const unsigned char* sector) const
{
    const Entry& e = entries_[k];
    if (e.kind != Kind::Anywhere || e.header.empty())
        return 0;
    return std::max(0, anywhereHit(e, sector));
}

bool HeaderMatcher::entryMatches(int k, const unsigned char* sector) const
{
    const Entry& e = entries_[k];
    if (e.header.empty())
        return false;
    int m = 0;
    switch (e.kind) {
    case Kind::First:
        return sector[0] == e.firstByte && matchesAt(e, sector, 0, &m);
    case Kind::Fixed:
        return e.start >= 0 && sector[e.start] == e.firstByte && matchesAt(e, sector, e.start, &m);
    case Kind::Anywhere:
        return anywhereHit(e, sector) >= 0;
    }
    return false;
}

int HeaderMatcher::match(const unsigned char* sector) const
{
    if (!mayMatch(sector))
        return -1;
    const int count = entryCount();
    for (int k = 0; k < count; ++k) {
        if (entryMatches(k, sector))
            return k;
    }
    return -1;
}

} // namespace ostrel
