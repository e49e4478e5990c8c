#include "engine/walkers/Families.h"

namespace ostrel::walkers {

std::unique_ptr<FormatWalker> makeCameraWalker(std::string_view)
{
    return nullptr;
}

std::vector<std::string> cameraWalkerTypes()
{
    return {};
}

} // namespace ostrel::walkers
