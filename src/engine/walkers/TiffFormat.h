#pragma once
// The byte-level layout of TIFF files and the raws built on it: the header
// variants, field types and their sizes, and reading numbers in either byte
// order. Classic TIFF has 12-byte directory entries and 32-bit offsets;
// BigTIFF 20-byte entries and 64-bit offsets.

#include "engine/walkers/StreamWalker.h"

#include <cstdint>

namespace ostrel::walkers {

// Which header the file starts with.
enum class TiffHeader : uint8_t {
    Classic,  // II*\0 or MM\0*
    Big,      // II+\0 / MM\0+ with byte size 8
    Olympus,  // IIRO, IIRS, MMOR (ORF)
    Panasonic, // IIU\0 (RW2, RWL)
    Canon,    // classic with "CR" at byte 8 (CR2)
    PhotoHd,  // II\xBC\x01 (JPEG XR)
};

struct TiffLayout {
    bool little = true;
    bool big = false; // BigTIFF: 8-byte counts and offsets

    size_t countSize() const { return big ? 8 : 2; }
    size_t entrySize() const { return big ? 20 : 12; }
    size_t offsetSize() const { return big ? 8 : 4; }

    uint16_t u16(const uint8_t* p) const { return little ? le16(p) : be16(p); }
    uint32_t u32(const uint8_t* p) const { return little ? le32(p) : be32(p); }
    uint64_t u64(const uint8_t* p) const { return little ? le64(p) : be64(p); }
    uint64_t offset(const uint8_t* p) const { return big ? u64(p) : u32(p); }
    uint64_t count(const uint8_t* p) const { return big ? u64(p) : u16(p); }
};

// Bytes per value of a field type (BYTE 1 ... DOUBLE 8, IFD 4, and the
// BigTIFF LONG8, SLONG8, IFD8); 0 for a type that does not exist.
inline unsigned tiffTypeSize(uint16_t type, bool big)
{
    switch (type) {
    case 1: case 2: case 6: case 7:
        return 1;
    case 3: case 8:
        return 2;
    case 4: case 9: case 11: case 13:
        return 4;
    case 5: case 10: case 12:
        return 8;
    case 16: case 17: case 18:
        return big ? 8 : 0;
    default:
        return 0;
    }
}

// Unsigned value `index` of an array of `type` (SHORT, LONG, IFD, LONG8,
// IFD8 or BYTE) stored at `p`; 0 for other types.
inline uint64_t tiffUnsigned(const TiffLayout& layout, uint16_t type, const uint8_t* p, size_t index)
{
    switch (type) {
    case 1: case 7:
        return p[index];
    case 3:
        return layout.u16(p + 2 * index);
    case 4: case 13:
        return layout.u32(p + 4 * index);
    case 16: case 18:
        return layout.u64(p + 8 * index);
    default:
        return 0;
    }
}

// True for the types that can hold offsets or byte counts.
inline bool tiffIsUnsignedType(uint16_t type)
{
    return type == 3 || type == 4 || type == 13 || type == 16 || type == 18;
}

// Reads the header at the start of a file (at least 16 bytes). Returns false
// when it is no TIFF header; else fills `kind`, `layout` and `firstIfd`.
bool readTiffHeader(const uint8_t* p, TiffHeader& kind, TiffLayout& layout, uint64_t& firstIfd);

} // namespace ostrel::walkers
