#include "engine/walkers/Families.h"
#include "engine/walkers/ZipWalker.h"

#include <functional>
#include <map>

namespace ostrel::walkers {

namespace {

using Maker = std::function<std::unique_ptr<FormatWalker>()>;

template <typename W>
Maker maker()
{
    return [] { return std::make_unique<W>(); };
}

// Each document and archive type the signature tables carry, with its walker.
const std::map<std::string, Maker, std::less<>>& documentMakers()
{
    static const std::map<std::string, Maker, std::less<>> makers = [] {
        std::map<std::string, Maker, std::less<>> m;
        for (const char* t : {"ZIP", "DOCX", "XLSX", "PPTX", "ODT", "ODS", "ODP", "ODG", "EPUB", "JAR", "APK"})
            m.emplace(t, maker<ZipWalker>());
        return m;
    }();
    return makers;
}

} // namespace

std::unique_ptr<FormatWalker> makeDocumentWalker(std::string_view type)
{
    const auto& makers = documentMakers();
    const auto it = makers.find(type);
    return it == makers.end() ? nullptr : it->second();
}

std::vector<std::string> documentWalkerTypes()
{
    std::vector<std::string> types;
    for (const auto& [type, make] : documentMakers())
        types.push_back(type);
    return types;
}

} // namespace ostrel::walkers
