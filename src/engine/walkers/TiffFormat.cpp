#include "engine/walkers/TiffFormat.h"

namespace ostrel::walkers {

bool readTiffHeader(const uint8_t* p, TiffHeader& kind, TiffLayout& layout, uint64_t& firstIfd)
{
    if (p[0] == 'I' && p[1] == 'I')
        layout.little = true;
    else if (p[0] == 'M' && p[1] == 'M')
        layout.little = false;
    else
        return false;
    layout.big = false;
    switch (layout.u16(p + 2)) {
    case 42:
        kind = layout.little && p[8] == 'C' && p[9] == 'R' ? TiffHeader::Canon : TiffHeader::Classic;
        break;
    case 43:
        // BigTIFF: offset size 8, a zero word, then the 64-bit offset.
        if (layout.u16(p + 4) != 8 || layout.u16(p + 6) != 0)
            return false;
        layout.big = true;
        kind = TiffHeader::Big;
        firstIfd = layout.u64(p + 8);
        return firstIfd >= 16;
    case 0x4f52: // IIRO and MMOR
    case 0x5352: // IIRS
        kind = TiffHeader::Olympus;
        break;
    case 0x0055:
        if (!layout.little)
            return false;
        kind = TiffHeader::Panasonic;
        break;
    case 0x01bc:
        if (!layout.little)
            return false;
        kind = TiffHeader::PhotoHd;
        break;
    default:
        return false;
    }
    firstIfd = layout.u32(p + 4);
    return firstIfd >= 8;
}

} // namespace ostrel::walkers
