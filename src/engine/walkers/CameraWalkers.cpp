#include "engine/walkers/Families.h"

#include "engine/walkers/IsoBmffWalker.h"

#include <algorithm>
#include <array>

namespace ostrel::walkers {

namespace {

constexpr std::array<std::string_view, 16> kIsoBmffTypes = {"MP4",  "MOV", "M4V", "M4A", "M4B", "M4P",
                                                            "3GP",  "3G2", "F4V", "HEIC", "HEIF", "AVIF",
                                                            "CR3",  "CRM", "JP2", "JXL"};

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
    return nullptr;
}

std::vector<std::string> cameraWalkerTypes()
{
    std::vector<std::string> all;
    for (std::string_view t : kIsoBmffTypes)
        all.emplace_back(t);
    return all;
}

} // namespace ostrel::walkers
