#include "engine/walkers/TiffMakerNotes.h"

#include "engine/walkers/StreamWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

bool startsWith(const uint8_t* head, size_t n, const char* text, size_t length)
{
    return n >= length && std::memcmp(head, text, length) == 0;
}

// "II" or "MM" at `p`: sets `little`; false for anything else.
bool byteOrder(const uint8_t* p, bool& little)
{
    if (p[0] == 'I' && p[1] == 'I')
        little = true;
    else if (p[0] == 'M' && p[1] == 'M')
        little = false;
    else
        return false;
    return true;
}

} // namespace

std::optional<MakerNoteDirectory> locateMakerNote(const uint8_t* head, size_t n, bool fileLittle)
{
    MakerNoteDirectory m;
    // Nikon: "Nikon\0", version 2, two zero bytes, then a TIFF header of its
    // own at byte 10 that offsets count from.
    if (startsWith(head, n, "Nikon\0\x02", 7) && n >= 18 && byteOrder(head + 10, m.little)) {
        const uint16_t magic = m.little ? le16(head + 12) : be16(head + 12);
        const uint32_t ifd = m.little ? le32(head + 14) : be32(head + 14);
        if (magic != 42 || ifd < 8)
            return std::nullopt;
        m.dir = TiffDir::NikonMaker;
        m.base = 10;
        m.ifd = 10 + uint64_t{ifd};
        return m;
    }
    // Olympus (and OM System): the name, the byte order and a version, then
    // the directory; offsets count from the maker note's start.
    if (startsWith(head, n, "OLYMPUS\0", 8) && n >= 12 && byteOrder(head + 8, m.little)) {
        m.dir = TiffDir::OlympusMaker;
        m.ifd = 12;
        return m;
    }
    if (startsWith(head, n, "OM SYSTEM\0\0\0", 12) && n >= 16 && byteOrder(head + 12, m.little)) {
        m.dir = TiffDir::OlympusMaker;
        m.ifd = 16;
        return m;
    }
    // Older Olympus: "OLYMP\0", two bytes, the directory; offsets count from
    // the file's TIFF header, in the file's byte order.
    if (startsWith(head, n, "OLYMP\0", 6) && n >= 8) {
        m.dir = TiffDir::OlympusMaker;
        m.ifd = 8;
        m.fromFile = true;
        m.little = fileLittle;
        return m;
    }
    return std::nullopt;
}

} // namespace ostrel::walkers
