#include "engine/walkers/Families.h"
#include "engine/walkers/JpegWalker.h"

namespace ostrel::walkers {

std::unique_ptr<FormatWalker> makeImageWalker(std::string_view type)
{
    if (type == "JPG" || type == "JPEG" || type == "JPE")
        return makeJpegWalker();
    return nullptr;
}

std::vector<std::string> imageWalkerTypes()
{
    return {"JPG", "JPEG", "JPE"};
}

} // namespace ostrel::walkers
