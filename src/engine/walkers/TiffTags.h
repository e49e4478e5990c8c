#pragma once
// The tags a TIFF walker follows: which tags point to further directories
// (sub-images, Exif, GPS, interoperability, maker-note sub-directories) and
// which tags are the offsets and byte counts of data blocks (strips, tiles,
// embedded JPEGs, previews in maker notes, JPEG XR image planes).

#include <cstdint>
#include <optional>

namespace ostrel::walkers {

// The kinds of directory, each with its own tags.
enum class TiffDir : uint8_t {
    Main, // IFD0, its chain and SubIFDs
    Exif,
    Gps,
    Interop,
    NikonMaker,
    NikonPreview,
    OlympusMaker,
    OlympusSub,
    SonyPrivate, // SR2Private of Sony ARW and SR2
    CanonMaker,  // offsets from the file's start in CR2
};

// The directory kind that `tag` (of field type `type`) in a directory of
// kind `dir` points to; nullopt when the tag is no directory pointer.
std::optional<TiffDir> tiffPointerTarget(TiffDir dir, uint16_t tag, uint16_t type);

// Data blocks given by an offsets tag and a byte-counts tag of one
// directory. `slot` tells the pairs of a directory apart (0 .. kTiffPairSlots
// - 1), `side` is 0 for the offsets and 1 for the byte counts.
struct TiffPairTag {
    int slot = -1; // -1: not a pair tag
    int side = 0;
};
constexpr int kTiffPairSlots = 6;

TiffPairTag tiffPairTag(TiffDir dir, uint16_t tag);

// Tags whose values the type rules need.
namespace tifftag {
constexpr uint16_t Compression = 259;
constexpr uint16_t Photometric = 262;
constexpr uint16_t Make = 271;
constexpr uint16_t Model = 272;
constexpr uint16_t StripOffsets = 273;
constexpr uint16_t MakerNote = 37500;
constexpr uint16_t DngVersion = 50706;
constexpr uint16_t CanonDecisionData = 0x0083; // Canon maker note: data of unknown length
constexpr uint16_t CanonRecipe = 0x00d0;       // Canon maker note: DPP recipe trailer
} // namespace tifftag

} // namespace ostrel::walkers
