#include "engine/walkers/Families.h"

#include "engine/walkers/CrwWalker.h"
#include "engine/walkers/ExrWalker.h"
#include "engine/walkers/IsoBmffWalker.h"
#include "engine/walkers/MrwWalker.h"
#include "engine/walkers/PsdWalker.h"
#include "engine/walkers/RafWalker.h"
#include "engine/walkers/TiffWalker.h"
#include "engine/walkers/X3fWalker.h"

#include <algorithm>
#include <array>

namespace ostrel::walkers {

namespace {

constexpr std::array<std::string_view, 16> kIsoBmffTypes = {"MP4",  "MOV", "M4V", "M4A", "M4B", "M4P",
                                                            "3GP",  "3G2", "F4V", "HEIC", "HEIF", "AVIF",
                                                            "CR3",  "CRM", "JP2", "JXL"};

constexpr std::array<std::string_view, 17> kTiffTypes = {"TIF", "TIFF", "DNG", "NEF", "NRW", "ARW",
                                                          "SR2", "PEF", "SRW", "IIQ", "CR2", "ORF",
                                                          "RW2", "ERF", "3FR", "MOS", "JXR"};

template <size_t N>
bool listed(const std::array<std::string_view, N>& types, std::string_view type)
{
    return std::find(types.begin(), types.end(), type) != types.end();
}

} // namespace

std::unique_ptr<FormatWalker> makeCameraWalker(std::string_view type)
{
    if (listed(kIsoBmffTypes, type))
        return std::make_unique<IsoBmffWalker>(std::string(type));
    if (listed(kTiffTypes, type))
        return std::make_unique<TiffWalker>();
    if (type == "PSD" || type == "PSB")
        return std::make_unique<PsdWalker>();
    if (type == "RAF")
        return std::make_unique<RafWalker>();
    if (type == "MRW")
        return std::make_unique<MrwWalker>();
    if (type == "X3F")
        return std::make_unique<X3fWalker>();
    if (type == "EXR")
        return std::make_unique<ExrWalker>();
    if (type == "CRW")
        return std::make_unique<CrwWalker>();
    return nullptr;
}

std::vector<std::string> cameraWalkerTypes()
{
    std::vector<std::string> all;
    for (std::string_view t : kIsoBmffTypes)
        all.emplace_back(t);
    for (std::string_view t : kTiffTypes)
        all.emplace_back(t);
    all.insert(all.end(), {"PSD", "PSB", "RAF", "MRW", "X3F", "EXR", "CRW"});
    return all;
}

} // namespace ostrel::walkers
