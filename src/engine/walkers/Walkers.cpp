#include "engine/walkers/Families.h"

#include <algorithm>
#include <cctype>

namespace ostrel::walkers {

std::unique_ptr<FormatWalker> makeWalker(std::string_view extension)
{
    if (!extension.empty() && extension.front() == '.')
        extension.remove_prefix(1);
    std::string type(extension);
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::toupper(c); });
    using Factory = std::unique_ptr<FormatWalker> (*)(std::string_view);
    for (Factory make : {makeImageWalker, makeCameraWalker, makeDocumentWalker, makeMediaWalker}) {
        if (auto walker = make(type))
            return walker;
    }
    return nullptr;
}

std::vector<std::string> walkerTypes()
{
    std::vector<std::string> all;
    for (auto list : {imageWalkerTypes(), cameraWalkerTypes(), documentWalkerTypes(), mediaWalkerTypes()})
        all.insert(all.end(), list.begin(), list.end());
    return all;
}

} // namespace ostrel::walkers
