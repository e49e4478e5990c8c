#include "engine/walkers/JetWalker.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr size_t kHeadSize = 0x18; // magic, engine name, version
// Blank pages in a row beyond everything proven that end the file: a free
// area of the medium reads as such a run, while a page Jet freed keeps most
// of its old bytes.
constexpr uint32_t kMaxBlankRun = 8;

bool blank(const uint8_t* r, size_t size)
{
    return r[0] == 0 && std::memcmp(r, r + 1, size - 1) == 0;
}

enum PageType : uint8_t { Data = 1, TableDefinition = 2, IndexNode = 3, IndexLeaf = 4, UsageMap = 5, Unnamed = 8 };

} // namespace

JetWalker::JetWalker()
{
    need(kHeadSize);
}

void JetWalker::onRecord(const uint8_t* r, size_t)
{
    if (!headerRead_)
        header(r);
    else
        page(r);
}

void JetWalker::header(const uint8_t* r)
{
    static const uint8_t kMagic[4] = {0x00, 0x01, 0x00, 0x00};
    const bool jet = std::memcmp(r + 4, "Standard Jet DB", 16) == 0;
    const bool ace = std::memcmp(r + 4, "Standard ACE DB", 16) == 0;
    const uint8_t version = r[0x14];
    // Jet 3 (0) and 4 (1) name the Jet engine; ACE 12 and later (2 ..)
    // the ACE engine.
    if (std::memcmp(r, kMagic, 4) != 0 || !((jet && version <= 1) || (ace && version >= 2 && version <= 6))) {
        notFormat();
        return;
    }
    type_ = jet ? "MDB" : "ACCDB";
    jet3_ = version == 0;
    pageSize_ = jet3_ ? 2048 : 4096;
    maps_ = JetUsageMaps(jet3_, pageSize_);
    headerRead_ = true;
    page_ = 1;
    continuesTo(2ull * pageSize_); // page 1 holds the global usage map
    skip(pageSize_ - kHeadSize);
    need(pageSize_);
}

void JetWalker::refer(uint32_t page)
{
    if (page == 0 || !pointer(page))
        return;
    provenEnd_ = std::max<uint64_t>(provenEnd_, (static_cast<uint64_t>(page) + 1) * pageSize_);
    continuesTo(provenEnd_);
}

JetWalker::Kind JetWalker::classify(const uint8_t* r)
{
    if (le32(r) == 0)
        return blank(r, pageSize_) ? Kind::Blank : Kind::Freed;
    if (r[1] != 0x01)
        return Kind::Foreign;
    const uint16_t freeSpace = le16(r + 2);
    switch (r[0]) {
    case Data: {
        // Jet 4 added four bytes after the owner; the row offsets follow
        // the row count.
        const size_t rowsAt = jet3_ ? 8 : 12;
        const uint32_t owner = le32(r + 4);
        if (freeSpace > pageSize_ || 2u * le16(r + rowsAt) + rowsAt + 2 > pageSize_ ||
            (owner != JetUsageMaps::kLongValueOwner && !pointer(owner)))
            return Kind::Foreign;
        if (owner != JetUsageMaps::kLongValueOwner)
            refer(owner);
        return Kind::Jet;
    }
    case TableDefinition:
        // Bytes 2-3 hold "VC" (Jet 3) or the free space less 8, which a
        // full page makes negative: only the next page is checked.
        if (!pointer(le32(r + 4)))
            return Kind::Foreign;
        refer(le32(r + 4)); // the definition's next page
        refer(maps_.tableDefinition(static_cast<uint32_t>(page_), r));
        return Kind::Jet;
    case IndexNode:
    case IndexLeaf: {
        // Owner table, then previous, next and tail leaf pages (Jet 4 has
        // four more bytes before them).
        const size_t links[4] = {4, jet3_ ? 8u : 12u, jet3_ ? 12u : 16u, jet3_ ? 16u : 20u};
        if (freeSpace > pageSize_)
            return Kind::Foreign;
        for (size_t at : links) {
            if (!pointer(le32(r + at)))
                return Kind::Foreign;
        }
        for (size_t at : links)
            refer(le32(r + at));
        return Kind::Jet;
    }
    case UsageMap: // the rest is the bitmap
    case Unnamed:
        return Kind::Jet;
    default:
        return Kind::Foreign;
    }
}

void JetWalker::page(const uint8_t* r)
{
    const Kind kind = classify(r);
    const uint64_t start = page_ * pageSize_;
    if (page_ == 1 && kind != Kind::Jet) {
        // Page 1 holds the global usage map: when it does not read as a
        // data page, the pages are encrypted (an encoded Jet 4 or a
        // password-protected ACE database) and cannot be walked.
        scan();
        return;
    }
    if (kind == Kind::Jet) {
        inRun_ = false;
        continuesTo(start + pageSize_);
        refer(maps_.readPage(static_cast<uint32_t>(page_), r));
    } else {
        if (!inRun_)
            runStart_ = page_;
        inRun_ = true;
        blankRun_ = kind == Kind::Blank ? blankRun_ + 1 : 0;
        // The file cannot end inside what its pages proved; it ends where
        // the run of pages that are not Jet's began.
        const uint64_t end = std::max(runStart_ * pageSize_, provenEnd_);
        if (end <= start && (kind == Kind::Foreign || (kind == Kind::Blank && blankRun_ >= kMaxBlankRun))) {
            endsAt(end);
            return;
        }
    }
    ++page_;
    need(pageSize_);
}

} // namespace ostrel::walkers
