#include "engine/walkers/BmpWalker.h"
#include "engine/walkers/DicomWalker.h"
#include "engine/walkers/Families.h"
#include "engine/walkers/GifWalker.h"
#include "engine/walkers/JpegWalker.h"
#include "engine/walkers/PngWalker.h"
#include "engine/walkers/XcfWalker.h"

namespace ostrel::walkers {

std::unique_ptr<FormatWalker> makeImageWalker(std::string_view type)
{
    if (type == "JPG" || type == "JPEG" || type == "JPE")
        return makeJpegWalker();
    if (type == "PNG" || type == "MNG")
        return makePngWalker(type == "MNG");
    if (type == "GIF")
        return makeGifWalker();
    if (type == "BMP")
        return makeBmpWalker();
    if (type == "XCF")
        return std::make_unique<XcfWalker>();
    if (type == "DCM")
        return std::make_unique<DicomWalker>();
    return nullptr;
}

std::vector<std::string> imageWalkerTypes()
{
    return {"JPG", "JPEG", "JPE", "PNG", "MNG", "GIF", "BMP", "XCF", "DCM"};
}

} // namespace ostrel::walkers
