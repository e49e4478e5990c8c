#pragma once
// The maker notes a TIFF walker reads (those that point to data outside
// their own bytes: Nikon previews, Olympus previews in the camera settings).
// Other maker notes are kept as the block of bytes their tag declares.

#include "engine/walkers/TiffTags.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ostrel::walkers {

// Where the directory of a maker note stands, relative to its first byte.
struct MakerNoteDirectory {
    TiffDir dir = TiffDir::NikonMaker;
    uint64_t ifd = 0;      // the directory, bytes from the maker note's start
    uint64_t base = 0;     // offsets inside count from the maker note's start + base ...
    bool fromFile = false; // ... or from the start of the file
    bool little = true;    // byte order of the directory
};

// Recognises a maker note from its first `n` bytes (up to 32); nullopt for
// one that is not read. `fileLittle` is the byte order of the file.
std::optional<MakerNoteDirectory> locateMakerNote(const uint8_t* head, size_t n, bool fileLittle);

} // namespace ostrel::walkers
