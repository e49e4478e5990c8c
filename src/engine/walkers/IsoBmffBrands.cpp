#include "engine/walkers/IsoBmffBrands.h"

#include "engine/walkers/StreamWalker.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace ostrel::walkers {

namespace {

constexpr std::array kTopLevelBoxes = {
    // ISO base media file format and its segment and fragment boxes.
    fourcc("moov"), fourcc("mdat"), fourcc("free"), fourcc("skip"), fourcc("meta"), fourcc("uuid"),
    fourcc("pdin"), fourcc("moof"), fourcc("mfra"), fourcc("mfro"), fourcc("styp"), fourcc("sidx"),
    fourcc("ssix"), fourcc("prft"), fourcc("emsg"), fourcc("meco"), fourcc("imda"), fourcc("etyp"),
    fourcc("bloc"),
    // QuickTime.
    fourcc("wide"), fourcc("pnot"), fourcc("junk"), fourcc("PICT"), fourcc("pict"), fourcc("udta"),
    // Vendor boxes of cameras, phones and dash cameras.
    fourcc("thum"), fourcc("thm "), fourcc("sefd"), fourcc("mpvd"), fourcc("frea"), fourcc("_htc"),
    fourcc("ardt"), fourcc("prrt"), fourcc("udat"), fourcc("IDIT"), fourcc("gps0"), fourcc("gsen"),
    // JPEG 2000 (JP2, JPX).
    fourcc("jp2h"), fourcc("jp2c"), fourcc("jp2i"), fourcc("xml "), fourcc("uinf"), fourcc("res "),
    fourcc("rreq"), fourcc("asoc"), fourcc("nlst"), fourcc("ftbl"), fourcc("dtbl"), fourcc("jpch"),
    fourcc("jplh"), fourcc("cgrp"), fourcc("lbl "),
    // JPEG XL.
    fourcc("jxlc"), fourcc("jxlp"), fourcc("jxll"), fourcc("jxli"), fourcc("jbrd"), fourcc("Exif"),
    fourcc("jumb"), fourcc("brob"),
};

bool isAnyOf(uint32_t code, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [code](const char* n) {
        return code == be32(reinterpret_cast<const uint8_t*>(n));
    });
}

// The first three characters of a code, for brand families ("3gp4", "3gp6").
bool startsWith3(uint32_t code, const char* prefix)
{
    return (code >> 8) == (be32(reinterpret_cast<const uint8_t*>(prefix)) >> 8);
}

std::string typeFromMajor(uint32_t major)
{
    if (isAnyOf(major, {"qt  "}))
        return "MOV";
    if (isAnyOf(major, {"M4A "}))
        return "M4A";
    if (isAnyOf(major, {"M4B "}))
        return "M4B";
    if (isAnyOf(major, {"M4P "}))
        return "M4P";
    if (isAnyOf(major, {"M4V ", "M4VH", "M4VP"}))
        return "M4V";
    if (isAnyOf(major, {"F4V ", "F4P ", "F4A ", "F4B ", "f4v ", "f4p ", "f4a ", "f4b "}))
        return "F4V";
    if (startsWith3(major, "3g2"))
        return "3G2";
    if (startsWith3(major, "3gp") || isAnyOf(major, {"3gr6", "3gs6", "3ge6", "3ge7", "3gg6", "3gt9"}))
        return "3GP";
    if (isAnyOf(major, {"jp2 ", "jpx ", "jpm "}))
        return "JP2";
    if (isAnyOf(major, {"jxl "}))
        return "JXL";
    if (startsWith3(major, "iso") || startsWith3(major, "mp4") ||
        isAnyOf(major, {"mp41", "mp42", "mp71", "avc1", "dash", "mmp4", "XAVC", "MSNV", "CAEP", "pana", "caqv",
                        "msdh", "msix", "cmfc", "cmf2"}))
        return "MP4";
    return {};
}

} // namespace

bool isTopLevelBox(uint32_t type)
{
    return std::find(kTopLevelBoxes.begin(), kTopLevelBoxes.end(), type) != kTopLevelBoxes.end();
}

std::string typeFromBrands(uint32_t major, const uint8_t* compatible, size_t count)
{
    // Still images are told by any brand (a HEIC may have the major brand
    // mif1 and heic among the compatible ones); the rest by the major brand.
    auto has = [&](std::initializer_list<const char*> names) {
        if (isAnyOf(major, names))
            return true;
        for (size_t i = 0; i < count; ++i) {
            if (isAnyOf(be32(compatible + 4 * i), names))
                return true;
        }
        return false;
    };
    if (has({"crx "}))
        return "CR3";
    if (has({"avif", "avis", "avio"}))
        return "AVIF";
    if (has({"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs"}))
        return "HEIC";
    if (has({"mif1", "msf1", "mif2", "miaf"}))
        return "HEIF";
    std::string type = typeFromMajor(major);
    if (type.empty() && has({"qt  "}))
        type = "MOV";
    if (type.empty() && has({"isom", "iso2", "mp41", "mp42"}))
        type = "MP4";
    return type;
}

} // namespace ostrel::walkers
