#include "engine/walkers/ZipWalker.h"

#include <cstring>
#include <string_view>

namespace ostrel::walkers {

namespace {

constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr uint32_t kCentralHeader = 0x02014b50;
constexpr uint32_t kDescriptor = 0x08074b50;
constexpr uint32_t kZip64End = 0x06064b50;
constexpr uint32_t kZip64Locator = 0x07064b50;
constexpr uint32_t kEndRecord = 0x06054b50;
constexpr uint32_t kSignatureBlock = 0x05054b50;
constexpr uint32_t kExtraDataRecord = 0x08064b50;
constexpr uint32_t kSizeUnknown = 0xFFFFFFFF;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDescriptor = 0x0008;

// Compression methods a writer may use (APPNOTE 4.4.5 and the WinZip ones).
bool knownMethod(uint16_t method)
{
    switch (method) {
    case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 8: case 9: case 10: case 12: case 14:
    case 18: case 19: case 20: case 93: case 94: case 95: case 96: case 97: case 98: case 99:
        return true;
    default:
        return false;
    }
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

ZipWalker::ZipWalker()
{
    expectSignature();
}

void ZipWalker::expectSignature()
{
    phase_ = Phase::Signature;
    need(4);
}

void ZipWalker::giveUp()
{
    // The rest cannot be followed (an encrypted central directory): the
    // verdict stays what was proven so far.
    phase_ = Phase::GiveUp;
    scan();
}

void ZipWalker::onRecord(const uint8_t* r, size_t size)
{
    switch (phase_) {
    case Phase::Signature:
        onSignature(le32(r));
        break;
    case Phase::LocalFixed:
        onLocalFixed(r);
        break;
    case Phase::LocalName:
        if (entries_ == 1 && std::memchr(r, 0, size)) {
            notFormat(); // a NUL in the first entry's name: not a ZIP header
            return;
        }
        noteName(r, size);
        if (extraLen_ > 0) {
            phase_ = Phase::LocalExtra;
            need(extraLen_);
        } else {
            startData();
        }
        break;
    case Phase::LocalExtra:
        onLocalExtra(r, size);
        startData();
        break;
    case Phase::Mimetype: {
        std::string_view mime(reinterpret_cast<const char*>(r), size);
        while (!mime.empty() && (mime.back() == '\n' || mime.back() == '\r' || mime.back() == ' '))
            mime.remove_suffix(1);
        mimeType_ = std::string(mime);
        afterData();
        break;
    }
    case Phase::DescriptorStart: {
        const bool withSignature = le32(r) == kDescriptor;
        // The rest: CRC (when the signature came first) and the two sizes.
        const size_t rest = (withSignature ? 4 : 0) + (zip64_ ? 16 : 8);
        phase_ = Phase::DescriptorRest;
        need(rest);
        break;
    }
    case Phase::DescriptorRest:
        expectSignature();
        break;
    case Phase::CentralFixed: {
        const uint16_t nameLen = le16(r + 24);
        const uint16_t extraLen = le16(r + 26);
        const uint16_t commentLen = le16(r + 28);
        continuesTo(position() + nameLen + extraLen + commentLen);
        if (nameLen > 0) {
            phase_ = Phase::CentralName;
            // extra + comment may exceed 16 bits together: skip them in two steps.
            extraLen_ = extraLen;
            centralSkip_ = commentLen;
            need(nameLen);
        } else {
            skip(extraLen);
            skip(commentLen);
            expectSignature();
        }
        break;
    }
    case Phase::CentralName:
        noteName(r, size);
        skip(extraLen_);
        skip(centralSkip_);
        expectSignature();
        break;
    case Phase::Zip64End: {
        // The record's size field counts the bytes after itself; 44 of them
        // were read with the fixed part.
        const uint64_t recordSize = le64(r);
        if (recordSize < 44 || recordSize > (1ull << 32)) {
            brokenAt(recordStart() - 4);
            return;
        }
        continuesTo(position() + (recordSize - 44));
        skip(recordSize - 44);
        expectSignature();
        break;
    }
    case Phase::Zip64Locator:
        continuesTo(position());
        expectSignature();
        break;
    case Phase::EndRecord:
        // The comment ends the file; it ends once the comment was fed, so
        // a file cut inside it claims nothing beyond its bytes.
        reachedEnd_ = true;
        end_ = position() + le16(r + 16);
        continuesTo(end_);
        if (position() >= end_)
            endsAt(end_);
        phase_ = Phase::Comment;
        scan();
        break;
    case Phase::SignatureBlock:
        continuesTo(position() + le16(r));
        skip(le16(r));
        expectSignature();
        break;
    case Phase::ExtraDataRecord:
        giveUp();
        break;
    case Phase::Inflate:
    case Phase::Comment:
    case Phase::SeekDescriptor:
    case Phase::GiveUp:
        break;
    }
}

void ZipWalker::onSignature(uint32_t signature)
{
    const uint64_t at = recordStart();
    switch (signature) {
    case kLocalHeader:
        phase_ = Phase::LocalFixed;
        need(26);
        return;
    case kCentralHeader:
        phase_ = Phase::CentralFixed;
        need(42);
        return;
    case kZip64End:
        phase_ = Phase::Zip64End;
        need(52);
        return;
    case kZip64Locator:
        phase_ = Phase::Zip64Locator;
        need(16);
        return;
    case kEndRecord:
        phase_ = Phase::EndRecord;
        need(18);
        return;
    case kSignatureBlock:
        phase_ = Phase::SignatureBlock;
        need(2);
        return;
    case kExtraDataRecord:
        phase_ = Phase::ExtraDataRecord;
        need(4);
        return;
    default:
        if (at == 0)
            notFormat();
        else
            brokenAt(at); // a record must start here and none does
    }
}

void ZipWalker::onLocalFixed(const uint8_t* r)
{
    // r holds the local header after its signature (offsets shifted by 4).
    const uint16_t version = le16(r);
    flags_ = le16(r + 2);
    method_ = le16(r + 4);
    const uint32_t compressed32 = le32(r + 14);
    const uint32_t size32 = le32(r + 18);
    const uint16_t nameLen = le16(r + 22);
    extraLen_ = le16(r + 24);
    ++entries_;
    const bool sane = (version & 0xFF) <= 100 && (version >> 8) <= 0x20 && knownMethod(method_) && nameLen > 0 &&
                      (entries_ > 1 || nameLen <= 4096);
    if (!sane) {
        if (entries_ == 1)
            notFormat();
        else
            brokenAt(recordStart() - 4);
        return;
    }
    zip64_ = false;
    readMime_ = false;
    compressed_ = compressed32;
    // Sizes of 0xFFFFFFFF are in the ZIP64 extra field; a data descriptor
    // entry may leave them 0.
    sizeKnown_ = compressed32 != kSizeUnknown && !((flags_ & kFlagDescriptor) && compressed32 == 0);
    (void)size32;
    phase_ = Phase::LocalName;
    need(nameLen);
}

void ZipWalker::onLocalExtra(const uint8_t* r, size_t size)
{
    size_t at = 0;
    while (at + 4 <= size) {
        const uint16_t id = le16(r + at);
        const uint16_t len = le16(r + at + 2);
        at += 4;
        if (len > size - at)
            break;
        if (id == 0x0001) {
            zip64_ = true;
            // Original size first, then compressed size, each present when its
            // 32-bit field holds 0xFFFFFFFF; the local header carries both.
            if (len >= 16) {
                compressed_ = le64(r + at + 8);
                sizeKnown_ = !((flags_ & kFlagDescriptor) && compressed_ == 0);
            } else if (len >= 8 && compressed_ == kSizeUnknown) {
                compressed_ = le64(r + at);
                sizeKnown_ = !((flags_ & kFlagDescriptor) && compressed_ == 0);
            }
        }
        at += len;
    }
}

void ZipWalker::startData()
{
    dataStart_ = position();
    if (sizeKnown_ && compressed_ != kSizeUnknown) {
        dataEnd_ = dataStart_ + compressed_;
        continuesTo(dataEnd_);
        if (readMime_) {
            readMime_ = false;
            phase_ = Phase::Mimetype;
            need(static_cast<size_t>(compressed_));
            return;
        }
        skip(compressed_);
        afterData();
        return;
    }
    if (method_ == 8 && !(flags_ & kFlagEncrypted)) {
        inflater_.reset();
        phase_ = Phase::Inflate;
    } else {
        phase_ = Phase::SeekDescriptor;
        tailLen_ = 0;
    }
    scan();
}

void ZipWalker::afterData()
{
    if (flags_ & kFlagDescriptor) {
        phase_ = Phase::DescriptorStart;
        need(4);
    } else {
        expectSignature();
    }
}

size_t ZipWalker::onScan(const uint8_t* data, size_t size)
{
    if (phase_ == Phase::Inflate) {
        size_t used = 0;
        switch (inflater_.feed(data, size, used)) {
        case DeflateEnd::Result::NeedMore:
            continuesTo(position() + used);
            return used;
        case DeflateEnd::Result::End:
            dataEnd_ = position() + used;
            continuesTo(dataEnd_);
            phase_ = Phase::DescriptorStart;
            need(4);
            return used;
        case DeflateEnd::Result::Error:
            if (entries_ == 1 && position() + used < kHeaderLookahead) {
                notFormat();
                return used;
            }
            // Damaged or not deflate after all: look for the descriptor.
            phase_ = Phase::SeekDescriptor;
            tailLen_ = 0;
            return used;
        }
    }
    if (phase_ == Phase::SeekDescriptor)
        return seekDescriptor(data, size);
    if (phase_ == Phase::Comment && position() + size >= end_)
        endsAt(end_);
    return size; // GiveUp
}

bool ZipWalker::isDescriptor(const uint8_t* p, uint64_t at) const
{
    if (le32(p) != kDescriptor || at < dataStart_)
        return false;
    const uint64_t counted = at - dataStart_;
    return zip64_ ? le64(p + 8) == counted : le32(p + 8) == static_cast<uint32_t>(counted);
}

size_t ZipWalker::seekDescriptor(const uint8_t* data, size_t size)
{
    // A descriptor is "PK\7\8", CRC, compressed size (= the bytes counted
    // since the data began), original size. It is checked once all of it has
    // arrived, and the scan consumes exactly up to its end.
    const size_t length = zip64_ ? 24 : 16;
    const uint64_t at = position();
    uint8_t join[64];
    const size_t head = std::min(size, length);
    std::memcpy(join, tail_, tailLen_);
    std::memcpy(join + tailLen_, data, head);
    for (size_t i = 0; i < tailLen_ && i + length <= tailLen_ + head; ++i) {
        if (isDescriptor(join + i, at - tailLen_ + i)) {
            phase_ = Phase::Signature;
            need(4);
            return i + length - tailLen_;
        }
    }
    const uint8_t* end = data + size;
    for (const uint8_t* p = data; p + length <= end;) {
        p = static_cast<const uint8_t*>(memmem(p, static_cast<size_t>(end - p), "PK\7\x08", 4));
        if (!p || p + length > end)
            break;
        if (isDescriptor(p, at + static_cast<uint64_t>(p - data))) {
            phase_ = Phase::Signature;
            need(4);
            return static_cast<size_t>(p - data) + length;
        }
        ++p;
    }
    keepTail(data, size);
    return size;
}

void ZipWalker::keepTail(const uint8_t* data, size_t size)
{
    const size_t keep = (zip64_ ? 24 : 16) - 1;
    if (size >= keep) {
        std::memcpy(tail_, data + size - keep, keep);
        tailLen_ = keep;
        return;
    }
    const size_t fromOld = std::min(tailLen_, keep - size);
    std::memmove(tail_, tail_ + tailLen_ - fromOld, fromOld);
    std::memcpy(tail_ + fromOld, data, size);
    tailLen_ = fromOld + size;
}

void ZipWalker::noteName(const uint8_t* name, size_t size)
{
    const std::string_view n(reinterpret_cast<const char*>(name), size);
    if (n == "[Content_Types].xml")
        contentTypes_ = true;
    else if (officeType_.empty() && startsWith(n, "word/"))
        officeType_ = "DOCX";
    else if (officeType_.empty() && startsWith(n, "xl/"))
        officeType_ = "XLSX";
    else if (officeType_.empty() && startsWith(n, "ppt/"))
        officeType_ = "PPTX";
    else if (n == "AndroidManifest.xml")
        androidManifest_ = true;
    else if (n == "META-INF/MANIFEST.MF")
        javaManifest_ = true;
    else if (n == "mimetype" && phase_ == Phase::LocalName && entries_ == 1 && method_ == 0 && sizeKnown_ &&
             compressed_ > 0 && compressed_ <= 128)
        readMime_ = true; // read its content instead of skipping it
}

std::string ZipWalker::provenType() const
{
    static constexpr std::pair<std::string_view, std::string_view> kMimeTypes[] = {
        {"application/vnd.oasis.opendocument.text", "ODT"},
        {"application/vnd.oasis.opendocument.spreadsheet", "ODS"},
        {"application/vnd.oasis.opendocument.presentation", "ODP"},
        {"application/vnd.oasis.opendocument.graphics", "ODG"},
        {"application/epub+zip", "EPUB"},
    };
    for (const auto& [mime, type] : kMimeTypes) {
        if (mimeType_ == mime)
            return std::string(type);
    }
    if (contentTypes_ && !officeType_.empty())
        return officeType_;
    if (androidManifest_)
        return "APK";
    if (!reachedEnd_)
        return {};
    return javaManifest_ ? "JAR" : "ZIP";
}

} // namespace ostrel::walkers
