#include "engine/walkers/Families.h"

namespace ostrel::walkers {

std::unique_ptr<FormatWalker> makeImageWalker(std::string_view)
{
    return nullptr;
}

std::vector<std::string> imageWalkerTypes()
{
    return {};
}

} // namespace ostrel::walkers
