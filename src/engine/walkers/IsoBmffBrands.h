#pragma once
// What the four-character codes of ISO base media files say: which box types
// may stand at the top level of a file, and which file type the brands of
// the file-type box prove.

#include <cstddef>
#include <cstdint>
#include <string>

namespace ostrel::walkers {

// A four-character code as the big-endian number it is stored as.
constexpr uint32_t fourcc(const char (&c)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(c[0])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(c[1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(c[2])) << 8 | static_cast<uint32_t>(static_cast<uint8_t>(c[3]));
}

// True for a box type that files of the family put at the top level after
// the first box (movie, media data, padding, fragments, segment indexes,
// metadata, JPEG 2000 and JPEG XL boxes, and the vendor boxes cameras and
// phones append). The file-type and signature boxes are not among them:
// they only open a file.
bool isTopLevelBox(uint32_t type);

// The upper-case type (HEIC, HEIF, AVIF, CR3, MOV, M4A, M4B, M4P, M4V, 3GP,
// 3G2, F4V, MP4, JP2, JXL) that a major brand and `count` compatible brands
// (`compatible` points at count * 4 bytes, big-endian codes) prove; empty
// when they name nothing known.
std::string typeFromBrands(uint32_t major, const uint8_t* compatible, size_t count);

} // namespace ostrel::walkers
