#include "engine/walkers/TiffTags.h"

#include <algorithm>
#include <array>

namespace ostrel::walkers {

namespace {

struct PairRule {
    TiffDir dir;
    uint16_t offsets;
    uint16_t counts;
    int slot;
};

constexpr std::array kPairRules = {
    PairRule{TiffDir::Main, 273, 279, 0},       // StripOffsets, StripByteCounts
    PairRule{TiffDir::Main, 324, 325, 1},       // TileOffsets, TileByteCounts
    PairRule{TiffDir::Main, 513, 514, 2},       // JPEGInterchangeFormat and its length
    PairRule{TiffDir::Main, 288, 289, 3},       // FreeOffsets, FreeByteCounts
    PairRule{TiffDir::Main, 0xbc80, 0xbc81, 4}, // JPEG XR image plane
    PairRule{TiffDir::Main, 0xbcc0, 0xbcc1, 5}, // JPEG XR alpha plane
    PairRule{TiffDir::NikonPreview, 0x0201, 0x0202, 0},
    PairRule{TiffDir::OlympusMaker, 0x0088, 0x0089, 0},
    PairRule{TiffDir::OlympusMaker, 0x1036, 0x1037, 1},
    PairRule{TiffDir::OlympusSub, 0x0101, 0x0102, 0},
    PairRule{TiffDir::SonyPrivate, 0x7200, 0x7201, 0}, // SR2SubIFDOffset, SR2SubIFDLength
};

// Olympus maker notes: equipment, camera settings, raw development, image
// processing, focus info and the later sub-directories.
constexpr std::array<uint16_t, 9> kOlympusSubDirs = {0x2010, 0x2020, 0x2030, 0x2031, 0x2040,
                                                     0x2050, 0x3000, 0x4000, 0x5000};

bool pointerType(uint16_t type)
{
    return type == 4 || type == 13 || type == 16 || type == 18;
}

} // namespace

std::optional<TiffDir> tiffPointerTarget(TiffDir dir, uint16_t tag, uint16_t type)
{
    if (!pointerType(type))
        return std::nullopt;
    switch (dir) {
    case TiffDir::Main:
        if (tag == 330)
            return TiffDir::Main; // SubIFDs
        if (tag == 34665)
            return TiffDir::Exif;
        if (tag == 34853)
            return TiffDir::Gps;
        if (tag == 0xc634)
            return TiffDir::SonyPrivate; // a pointer here; DNG keeps bytes under this tag
        return std::nullopt;
    case TiffDir::Exif:
        if (tag == 40965)
            return TiffDir::Interop;
        if (tag == 34853)
            return TiffDir::Gps;
        return std::nullopt;
    case TiffDir::NikonMaker:
        if (tag == 0x0011)
            return TiffDir::NikonPreview;
        return std::nullopt;
    case TiffDir::OlympusMaker:
        if (std::find(kOlympusSubDirs.begin(), kOlympusSubDirs.end(), tag) != kOlympusSubDirs.end())
            return TiffDir::OlympusSub;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

TiffPairTag tiffPairTag(TiffDir dir, uint16_t tag)
{
    for (const PairRule& r : kPairRules) {
        if (r.dir != dir)
            continue;
        if (tag == r.offsets)
            return {r.slot, 0};
        if (tag == r.counts)
            return {r.slot, 1};
    }
    return {};
}

} // namespace ostrel::walkers
