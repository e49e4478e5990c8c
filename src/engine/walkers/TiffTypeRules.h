#pragma once
// Which type a TIFF-structured file is: the header variant names some raws
// (ORF, RW2, CR2, JPEG XR, BigTIFF), a DNGVersion tag makes a DNG, and the
// Make tag names the raw of the other makers, but only when the file holds
// raw sensor data (a camera's or a converter's plain TIFF stays a TIF).

#include "engine/walkers/TiffFormat.h"

#include <string>

namespace ostrel::walkers {

struct TiffFacts {
    TiffHeader header = TiffHeader::Classic;
    bool phaseOneMarker = false; // "IIII" or "MMMM" at byte 8 (Phase One IIQ)
    bool dng = false;            // DNGVersion in the first directory
    bool rawData = false;        // a colour filter array or linear raw image, or a raw-only compression
    bool firstOldJpeg = false;   // old-style JPEG compression in the first directory (Nikon NRW)
    std::string make;
    std::string model;
};

// True when a Photometric or Compression value marks raw sensor data.
bool tiffMarksRawData(uint16_t tag, uint64_t value);

// The upper-case type (TIF, DNG, NEF, NRW, ARW, SR2, PEF, SRW, IIQ, CR2, ORF,
// RW2, ERF, 3FR, MOS, JXR) the facts prove.
std::string tiffProvenType(const TiffFacts& facts);

} // namespace ostrel::walkers
