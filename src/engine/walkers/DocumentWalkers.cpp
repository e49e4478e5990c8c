#include "engine/walkers/DeclaredLengthWalker.h"
#include "engine/walkers/Bzip2Walker.h"
#include "engine/walkers/DwgWalker.h"
#include "engine/walkers/Families.h"
#include "engine/walkers/GzipWalker.h"
#include "engine/walkers/JetWalker.h"
#include "engine/walkers/KeePassWalker.h"
#include "engine/walkers/OleWalker.h"
#include "engine/walkers/PalmDbWalker.h"
#include "engine/walkers/PdfWalker.h"
#include "engine/walkers/RarWalker.h"
#include "engine/walkers/RtfWalker.h"
#include "engine/walkers/TextWalker.h"
#include "engine/walkers/XzWalker.h"
#include "engine/walkers/ZipWalker.h"
#include "engine/walkers/FrameWalker.h"

#include <functional>
#include <map>

namespace ostrel::walkers {

namespace {

using Maker = std::function<std::unique_ptr<FormatWalker>()>;
using Format = DeclaredLengthWalker::Format;

// EPS comes as PostScript text or behind a DOS binary header (C5 D0 D3 C6):
// the first byte picks the walker, which then gets every byte.
class EpsWalker final : public FormatWalker {
public:
    Verdict feed(const uint8_t* data, size_t size) override
    {
        if (!inner_ && size > 0) {
            if (data[0] == 0xC5)
                inner_ = std::make_unique<DeclaredLengthWalker>(Format::DosEps);
            else
                inner_ = std::make_unique<PdfWalker>(PdfWalker::Flavor::PostScript);
        }
        return inner_ ? inner_->feed(data, size) : Verdict{};
    }
    Verdict verdict() const override { return inner_ ? inner_->verdict() : Verdict{}; }

private:
    std::unique_ptr<FormatWalker> inner_;
};

template <typename W, typename... Args>
Maker maker(Args... args)
{
    return [=] { return std::make_unique<W>(args...); };
}

// Each document and archive type the signature tables carry, with its walker.
const std::map<std::string, Maker, std::less<>>& documentMakers()
{
    static const std::map<std::string, Maker, std::less<>> makers = [] {
        std::map<std::string, Maker, std::less<>> m;
        for (const char* t : {"ZIP", "DOCX", "XLSX", "PPTX", "ODT", "ODS", "ODP", "ODG", "EPUB", "JAR", "APK"})
            m.emplace(t, maker<ZipWalker>());
        m.emplace("PDF", maker<PdfWalker>(PdfWalker::Flavor::Pdf));
        m.emplace("PS", maker<PdfWalker>(PdfWalker::Flavor::PostScript));
        m.emplace("EPS", maker<EpsWalker>());
        for (const char* t : {"DOC", "XLS", "PPT", "MSG"})
            m.emplace(t, maker<OleWalker>());
        m.emplace("SQLITE", maker<DeclaredLengthWalker>(Format::Sqlite));
        m.emplace("7Z", maker<DeclaredLengthWalker>(Format::SevenZip));
        m.emplace("CAB", maker<DeclaredLengthWalker>(Format::Cabinet));
        m.emplace("PST", maker<DeclaredLengthWalker>(Format::Pst));
        m.emplace("WPD", maker<DeclaredLengthWalker>(Format::WordPerfect));
        m.emplace("RAR", maker<RarWalker>());
        m.emplace("RTF", maker<RtfWalker>());
        m.emplace("MOBI", maker<PalmDbWalker>());
        m.emplace("VCF", maker<TextWalker>(TextWalker::Flavor::VCard));
        m.emplace("ICS", maker<TextWalker>(TextWalker::Flavor::Calendar));
        m.emplace("HTML", maker<TextWalker>(TextWalker::Flavor::Html));
        m.emplace("XML", maker<TextWalker>(TextWalker::Flavor::Xml));
        m.emplace("EML", maker<TextWalker>(TextWalker::Flavor::Mail));
        m.emplace("GZ", maker<GzipWalker>());
        m.emplace("XZ", maker<XzWalker>());
        m.emplace("BZ2", maker<Bzip2Walker>());
        m.emplace("ZST", maker<FrameWalker>(FrameWalker::Format::Zstd));
        m.emplace("LZ4", maker<FrameWalker>(FrameWalker::Format::Lz4));
        m.emplace("DWG", maker<DwgWalker>());
        m.emplace("KDB", maker<KeePassWalker>());
        m.emplace("MDB", maker<JetWalker>());
        m.emplace("ACCDB", maker<JetWalker>());
        m.emplace("KDBX", maker<KeePassWalker>());
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
