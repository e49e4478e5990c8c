#include "engine/walkers/Families.h"

namespace ostrel::walkers {

std::unique_ptr<FormatWalker> makeMediaWalker(std::string_view)
{
    return nullptr;
}

std::vector<std::string> mediaWalkerTypes()
{
    return {};
}

} // namespace ostrel::walkers
