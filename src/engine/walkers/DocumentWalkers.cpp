#include "engine/walkers/Families.h"

namespace ostrel::walkers {

std::unique_ptr<FormatWalker> makeDocumentWalker(std::string_view)
{
    return nullptr;
}

std::vector<std::string> documentWalkerTypes()
{
    return {};
}

} // namespace ostrel::walkers
