#include "engine/walkers/EbmlElements.h"

namespace ostrel::walkers::ebml {

uint64_t sizeValue(const uint8_t* p, unsigned n)
{
    uint64_t v = p[0] & (0xFFu >> n);
    bool allOnes = v == (0xFFu >> n);
    for (unsigned i = 1; i < n; ++i) {
        v = v << 8 | p[i];
        allOnes = allOnes && p[i] == 0xFF;
    }
    return allOnes ? kUnknownSize : v;
}

bool next(const uint8_t*& p, const uint8_t* end, Element& out)
{
    if (p >= end)
        return false;
    const unsigned idLen = idLength(p[0]);
    if (idLen == 0 || end - p < idLen + 1)
        return false;
    const unsigned sizeLen = sizeLength(p[idLen]);
    if (sizeLen == 0 || end - p < idLen + sizeLen)
        return false;
    uint32_t id = 0;
    for (unsigned i = 0; i < idLen; ++i)
        id = id << 8 | p[i];
    const uint64_t size = sizeValue(p + idLen, sizeLen);
    const uint8_t* data = p + idLen + sizeLen;
    if (size == kUnknownSize || size > static_cast<uint64_t>(end - data))
        return false;
    out = {id, data, size};
    p = data + size;
    return true;
}

uint64_t uintValue(const Element& e)
{
    uint64_t v = 0;
    for (uint64_t i = 0; i < e.size && i < 8; ++i)
        v = v << 8 | e.data[i];
    return v;
}

} // namespace ostrel::walkers::ebml
