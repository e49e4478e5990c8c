#include "engine/walkers/DeclaredLengthWalker.h"

#include <zlib.h>

#include <algorithm>

namespace ostrel::walkers {

namespace {

size_t headerSize(DeclaredLengthWalker::Format format)
{
    switch (format) {
    case DeclaredLengthWalker::Format::Sqlite:
        return 100;
    case DeclaredLengthWalker::Format::SevenZip:
        return 32;
    case DeclaredLengthWalker::Format::Cabinet:
        return 36;
    case DeclaredLengthWalker::Format::DosEps:
        return 30;
    case DeclaredLengthWalker::Format::Pst:
        return 0x1E0; // up to the end of the CRC-covered part
    case DeclaredLengthWalker::Format::WordPerfect:
        return 24; // the 16-byte prefix and the index header's size field
    }
    return 1;
}

uint32_t crc32Of(const uint8_t* p, size_t n)
{
    return static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(n)));
}

} // namespace

DeclaredLengthWalker::DeclaredLengthWalker(Format format) : format_(format)
{
    need(headerSize(format));
}

void DeclaredLengthWalker::onRecord(const uint8_t* r, size_t)
{
    if (epsSection_ >= 0) {
        epsSectionMagic(r);
        if (!finished())
            scan();
        return;
    }
    switch (format_) {
    case Format::Sqlite:
        sqlite(r);
        break;
    case Format::SevenZip:
        sevenZip(r);
        break;
    case Format::Cabinet:
        cabinet(r);
        break;
    case Format::DosEps:
        dosEps(r);
        break;
    case Format::Pst:
        pst(r);
        break;
    case Format::WordPerfect:
        wordPerfect(r);
        break;
    }
    if (!finished() && epsSection_ < 0)
        scan(); // nothing more to read
}

void DeclaredLengthWalker::finishAt(uint64_t end)
{
    continuesTo(end);
    end_ = end;
    if (position() >= end)
        endsAt(end);
}

size_t DeclaredLengthWalker::onScan(const uint8_t*, size_t size)
{
    if (end_ > 0 && position() + size >= end_)
        endsAt(end_);
    return size;
}

void DeclaredLengthWalker::sqlite(const uint8_t* r)
{
    const uint32_t pageSize = be16(r + 16) == 1 ? 65536 : be16(r + 16);
    const bool powerOfTwo = pageSize >= 512 && (pageSize & (pageSize - 1)) == 0;
    const bool versions = r[18] >= 1 && r[18] <= 2 && r[19] >= 1 && r[19] <= 2;
    if (!powerOfTwo || !versions || r[21] != 64 || r[22] != 32 || r[23] != 32) {
        notFormat();
        return;
    }
    const uint32_t changeCounter = be32(r + 24);
    const uint32_t pageCount = be32(r + 28);
    // The page count is only current when the version-valid-for number
    // matches the change counter (older writers leave it stale).
    if (pageCount > 0 && be32(r + 92) == changeCounter)
        finishAt(static_cast<uint64_t>(pageSize) * pageCount);
    else
        continuesTo(pageSize);
}

void DeclaredLengthWalker::sevenZip(const uint8_t* r)
{
    if (r[6] != 0 || crc32Of(r + 12, 20) != le32(r + 8)) {
        notFormat();
        return;
    }
    const uint64_t offset = le64(r + 12);
    const uint64_t size = le64(r + 20);
    if (offset > (1ull << 48) || size > (1ull << 32)) {
        notFormat();
        return;
    }
    finishAt(32 + offset + size);
}

void DeclaredLengthWalker::cabinet(const uint8_t* r)
{
    const uint32_t size = le32(r + 8);
    const uint32_t filesAt = le32(r + 16);
    const bool reservedZero = le32(r + 4) == 0 && le32(r + 12) == 0 && le32(r + 20) == 0;
    if (!reservedZero || r[24] != 3 || r[25] != 1 || le16(r + 30) > 7 || size < 36 || filesAt < 36 ||
        filesAt >= size || le16(r + 26) == 0) {
        notFormat();
        return;
    }
    finishAt(size);
}

void DeclaredLengthWalker::dosEps(const uint8_t* r)
{
    // PostScript, WMF and TIFF sections: offset and length each; an absent
    // section has both 0.
    uint64_t end = 0;
    uint32_t first = UINT32_MAX;
    for (int k = 0; k < 3; ++k) {
        const uint32_t offset = le32(r + 4 + 8 * k);
        const uint32_t length = le32(r + 8 + 8 * k);
        if ((offset == 0) != (length == 0) || (offset != 0 && offset < 30) || (k == 0 && length == 0)) {
            notFormat();
            return;
        }
        end = std::max<uint64_t>(end, static_cast<uint64_t>(offset) + length);
        if (offset != 0 && offset < first) {
            first = offset;
            epsSection_ = k;
        }
    }
    // The first section follows the header directly: its magic is checked.
    if (first > 32) {
        notFormat();
        return;
    }
    epsEnd_ = end;
    skip(first - 30);
    need(4);
}

void DeclaredLengthWalker::epsSectionMagic(const uint8_t* r)
{
    const uint32_t magic = be32(r);
    bool ok = false;
    if (epsSection_ == 0)
        ok = magic == 0x25215053; // "%!PS"
    else if (epsSection_ == 1)
        ok = magic == 0xD7CDC69A || magic == 0x01000900 || magic == 0x02000900; // placeable or plain WMF
    else
        ok = magic == 0x49492A00 || magic == 0x4D4D002A; // TIFF
    epsSection_ = -1;
    if (ok)
        finishAt(epsEnd_);
    else
        notFormat();
}

void DeclaredLengthWalker::pst(const uint8_t* r)
{
    // The header's partial CRC covers 471 bytes from offset 8; it is the
    // plain CRC-32 without the pre- and post-inversion.
    const uint16_t client = le16(r + 8);
    const uint16_t version = le16(r + 10);
    const uint32_t expected = static_cast<uint32_t>(crc32(0xFFFFFFFFul, r + 8, 471)) ^ 0xFFFFFFFFu;
    if ((client != 0x4D53 && client != 0x4F53) || le32(r + 4) != expected) {
        notFormat();
        return;
    }
    // Unicode files (version 23 and up) hold a 64-bit end, ANSI ones 32-bit.
    const uint64_t end = version >= 23 ? le64(r + 0xB8) : le32(r + 0xA8);
    if (end < 0x200) {
        notFormat();
        return;
    }
    finishAt(end);
}

void DeclaredLengthWalker::wordPerfect(const uint8_t* r)
{
    // Prefix: FF "WPC", document area offset, product type, file type,
    // major and minor version, encryption key, index header offset.
    const uint32_t documentOffset = le32(r + 4);
    const uint8_t fileType = r[9];
    const uint8_t major = r[10];
    if (be32(r) != 0xFF575043 || documentOffset < 16 || documentOffset > (1u << 24) || r[8] > 0x40 ||
        fileType == 0 || fileType > 0x7F || major > 0x0F) {
        notFormat();
        return;
    }
    continuesTo(documentOffset);
    // Documents (file type 10) from WordPerfect 6.1 on (major version 2,
    // minor 1 and up) hold the file size at byte 20; an encrypted one
    // holds it encrypted.
    // A size beyond any real document is not used.
    const uint32_t size = le32(r + 20);
    if (fileType != 0x0A || major != 2 || r[11] < 1 || le16(r + 12) != 0 || size == 0 || size > (1u << 28))
        return;
    if (size < documentOffset)
        notFormat();
    else
        finishAt(size);
}

} // namespace ostrel::walkers
