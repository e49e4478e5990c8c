#include "engine/walkers/IsoBmffWalker.h"

#include "engine/walkers/IsoBmffBrands.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace ostrel::walkers {

namespace {

// A file-type box holds two codes and up to a few dozen brands.
constexpr uint32_t kMaxFileTypeBox = 4096;
// No medium holds a box beyond this (16 TiB): such a size is not a box.
constexpr uint64_t kMaxBoxEnd = uint64_t{1} << 44;
// How much of a Canon movie box is searched for the compressor name, which
// stands in the first child box.
constexpr size_t kMoviePeek = 4096;

bool printable(const uint8_t* code)
{
    return std::all_of(code, code + 4, [](uint8_t c) { return c >= 0x20 && c <= 0x7e; });
}

} // namespace

IsoBmffWalker::IsoBmffWalker(std::string headerType) : headerType_(std::move(headerType))
{
    need(8);
}

void IsoBmffWalker::onRecord(const uint8_t* record, size_t size)
{
    switch (step_) {
    case Step::BoxHeader:
        onBoxHeader(record);
        break;
    case Step::LargeSize:
        enterBox(be64(record), 16);
        break;
    case Step::FileType:
        onFileType(record, size);
        break;
    case Step::Signature:
        // The JPEG 2000 and JPEG XL signature boxes hold CR LF 0x87 LF.
        if (be32(record) != 0x0d0a870a)
            refuse();
        else
            nextBox();
        break;
    case Step::MoviePeek: {
        // Canon writes "CanonCRM" (Cinema RAW Light movie) or "CanonCR3" as
        // the compressor name in the first box of the movie box.
        const std::string_view peek(reinterpret_cast<const char*>(record), size);
        if (peek.find("CanonCRM") != std::string_view::npos)
            proven_ = "CRM";
        skip(boxEnd_ - position());
        nextBox();
        break;
    }
    case Step::ToTheEnd:
        break;
    }
}

size_t IsoBmffWalker::onScan(const uint8_t*, size_t size)
{
    // A box without a size runs to the end of the file: nothing more is known.
    return size;
}

bool IsoBmffWalker::acceptsFirstBox(uint32_t type, uint32_t size) const
{
    if (type == fourcc("ftyp"))
        return size >= 16 && size <= kMaxFileTypeBox;
    if (signatureSeen_)
        return false; // the signature box is followed by the file-type box
    if (type == fourcc("jP  ") || type == fourcc("JXL "))
        return size == 12;
    if (headerType_ != "MOV")
        return false;
    // Old QuickTime movies start with the movie, media data or padding.
    if (type == fourcc("wide"))
        return size == 8;
    if (type == fourcc("mdat"))
        return true; // any size: 0 runs to the end, 1 has a 64-bit size
    if (type == fourcc("moov") || type == fourcc("free") || type == fourcc("skip") || type == fourcc("junk") ||
        type == fourcc("pnot"))
        return size >= 8;
    return false;
}

void IsoBmffWalker::refuse()
{
    // A wrong first or second box refuses the header; later, the bytes after
    // the last box are not a box, so the file ends there.
    if (boxesRead_ <= 1 && position() <= kHeaderLookahead)
        notFormat();
    else
        endsAt(boxStart_);
}

void IsoBmffWalker::nextBox()
{
    step_ = Step::BoxHeader;
    need(8);
}

void IsoBmffWalker::onBoxHeader(const uint8_t* record)
{
    const uint32_t size = be32(record);
    const uint32_t type = be32(record + 4);
    boxStart_ = recordStart();
    // The box after the file-type box may be of a type not listed here (a
    // vendor's): a printable type passes, so the file is not refused. Later
    // only known types continue the file: the bytes after its end are often
    // text or another file, which a printable test would take for a box.
    const bool known =
        isTopLevelBox(type) || (boxesRead_ == 1 && type != fourcc("ftyp") && printable(record + 4));
    if (boxesRead_ == 0 ? !acceptsFirstBox(type, size) : !known || (size >= 2 && size < 8)) {
        refuse();
        return;
    }
    boxType_ = type;
    if (type == fourcc("jP  ") || type == fourcc("JXL ")) {
        signatureSeen_ = true;
        step_ = Step::Signature;
        need(4);
        return;
    }
    ++boxesRead_;
    if (boxesRead_ == 1 && type == fourcc("ftyp")) {
        boxEnd_ = boxStart_ + size;
        step_ = Step::FileType;
        need(size - 8);
        return;
    }
    if (size == 1) {
        step_ = Step::LargeSize;
        need(8);
        return;
    }
    if (size == 0) {
        continuesTo(position());
        step_ = Step::ToTheEnd;
        scan();
        return;
    }
    enterBox(size, 8);
}

void IsoBmffWalker::onFileType(const uint8_t* record, size_t size)
{
    if (!printable(record)) {
        refuse();
        return;
    }
    proven_ = typeFromBrands(be32(record), record + 8, (size - 8) / 4);
    canonRaw_ = proven_ == "CR3";
    continuesTo(boxEnd_);
    nextBox();
}

void IsoBmffWalker::enterBox(uint64_t boxSize, uint64_t headerSize)
{
    if (boxSize < headerSize || boxSize > kMaxBoxEnd - boxStart_) {
        refuse();
        return;
    }
    boxEnd_ = boxStart_ + boxSize;
    continuesTo(boxEnd_);
    const uint64_t body = boxSize - headerSize;
    if (boxType_ == fourcc("moov") && canonRaw_ && body > 0) {
        canonRaw_ = false;
        step_ = Step::MoviePeek;
        need(static_cast<size_t>(std::min<uint64_t>(body, kMoviePeek)));
        return;
    }
    skip(body);
    nextBox();
}

} // namespace ostrel::walkers
