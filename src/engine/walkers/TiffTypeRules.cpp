#include "engine/walkers/TiffTypeRules.h"

#include "engine/walkers/TiffTags.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace ostrel::walkers {

namespace {

bool startsWithNoCase(const std::string& text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

// The raw type a maker's cameras write; empty for a maker not known here.
std::string rawTypeOfMaker(const TiffFacts& f)
{
    if (startsWithNoCase(f.make, "NIKON"))
        return f.firstOldJpeg ? "NRW" : "NEF";
    if (startsWithNoCase(f.make, "SONY"))
        return f.model == "DSC-R1" ? "SR2" : "ARW";
    if (startsWithNoCase(f.make, "PENTAX") || startsWithNoCase(f.make, "ASAHI") ||
        (startsWithNoCase(f.make, "RICOH") && startsWithNoCase(f.model, "PENTAX")))
        return "PEF";
    if (startsWithNoCase(f.make, "SAMSUNG"))
        return "SRW";
    if (startsWithNoCase(f.make, "SEIKO EPSON") || startsWithNoCase(f.make, "EPSON"))
        return "ERF";
    if (startsWithNoCase(f.make, "HASSELBLAD"))
        return "3FR";
    if (startsWithNoCase(f.make, "LEAF"))
        return "MOS";
    return {};
}

} // namespace

bool tiffMarksRawData(uint16_t tag, uint64_t value)
{
    if (tag == tifftag::Photometric)
        return value == 32803 || value == 34892; // CFA, LinearRaw
    if (tag == tifftag::Compression)
        return value == 34713 || value == 32767 || value == 65535; // Nikon, Sony, Pentax raw packing
    return false;
}

std::string tiffProvenType(const TiffFacts& f)
{
    switch (f.header) {
    case TiffHeader::Olympus:
        return "ORF";
    case TiffHeader::Panasonic:
        return "RW2";
    case TiffHeader::Canon:
        return "CR2";
    case TiffHeader::PhotoHd:
        return "JXR";
    case TiffHeader::Big:
        return "TIF";
    case TiffHeader::Classic:
        break;
    }
    if (f.dng)
        return "DNG";
    if (f.phaseOneMarker || startsWithNoCase(f.make, "PHASE ONE"))
        return "IIQ";
    if (f.rawData) {
        std::string type = rawTypeOfMaker(f);
        if (!type.empty())
            return type;
    }
    return "TIF";
}

} // namespace ostrel::walkers
