#include "engine/walkers/DwgWalker.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr size_t kHeaderSize = 0x100;
constexpr size_t kPagedHeaderAt = 0x80; // R2004 on: the encrypted header
constexpr size_t kPagedHeaderSize = 0x6C;
constexpr size_t kImageHeadSize = 21; // sentinel, overall size, image count
constexpr uint64_t kMaxOffset = 1ull << 32; // no drawing comes near 4 GiB

const uint8_t kHeaderSentinel[16] = {0x95, 0xA0, 0x4E, 0x28, 0x99, 0x82, 0x1A, 0xE5,
                                     0x5E, 0x41, 0xE0, 0x5F, 0x9D, 0x3A, 0x4D, 0x00};
const uint8_t kImageStart[16] = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                                 0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
const uint8_t kImageEnd[16] = {0xE0, 0xDA, 0x92, 0xF8, 0x2B, 0xC9, 0xD7, 0xD7,
                               0x62, 0xA8, 0x35, 0xC0, 0x62, 0xBB, 0xEF, 0xD4};

enum class Family : uint8_t { None, Locators, Paged, R2007 };

Family familyOf(const uint8_t* r)
{
    if (std::memcmp(r, "AC10", 4) != 0)
        return Family::None;
    const std::string_view number(reinterpret_cast<const char*>(r + 4), 2);
    if (number == "12" || number == "14" || number == "15")
        return Family::Locators;
    if (number == "18" || number == "24" || number == "27" || number == "32")
        return Family::Paged;
    return number == "21" ? Family::R2007 : Family::None;
}

} // namespace

DwgWalker::DwgWalker()
{
    need(kHeaderSize);
}

void DwgWalker::onRecord(const uint8_t* r, size_t size)
{
    switch (phase_) {
    case Phase::Header:
        header(r);
        break;
    case Phase::ImageHead:
        imageHead(r);
        break;
    case Phase::ImageEntries:
        imageEntries(r, size);
        break;
    case Phase::ImageEnd:
        imageEnd(r);
        break;
    case Phase::HeaderCopy:
        headerCopy(r);
        break;
    case Phase::Done:
        break;
    }
}

void DwgWalker::done()
{
    phase_ = Phase::Done;
    scan();
}

void DwgWalker::header(const uint8_t* r)
{
    const Family family = familyOf(r);
    // Five zero bytes follow the version string in every family.
    if (family == Family::None || std::any_of(r + 6, r + 11, [](uint8_t b) { return b != 0; })) {
        notFormat();
        return;
    }
    if (family == Family::Locators) {
        sectionLocators(r);
        return;
    }
    // R2004 on: the header's address of the paged (or R2007) header.
    if (le32(r + 0x28) != kPagedHeaderAt) {
        notFormat();
        return;
    }
    if (family == Family::Paged) {
        pagedHeader(r);
        return;
    }
    // R2007: its coded header spans 0x80 .. 0x458 and the pages start at
    // 0x480.
    continuesTo(0x480);
    done();
}

void DwgWalker::sectionLocators(const uint8_t* r)
{
    // Locator records at 0x19: number, offset, size (9 bytes each), then a
    // CRC and the header's end sentinel.
    const uint32_t count = le32(r + 0x15);
    if (count == 0 || count > 12 || std::memcmp(r + 0x1B + 9 * count, kHeaderSentinel, 16) != 0) {
        notFormat();
        return;
    }
    sectionsEnd_ = 0x2B + 9 * count;
    for (uint32_t k = 0; k < count; ++k) {
        const uint8_t* record = r + 0x19 + 9 * k;
        const uint32_t offset = le32(record + 1);
        const uint32_t size = le32(record + 5);
        if (offset >= (1u << 31) || size >= (1u << 31)) {
            notFormat();
            return;
        }
        if (offset != 0)
            sectionsEnd_ = std::max<uint64_t>(sectionsEnd_, static_cast<uint64_t>(offset) + size);
    }
    continuesTo(sectionsEnd_);
    // The preview image comes last in files from R13c3 on.
    const uint32_t image = le32(r + 0x0D);
    if (image < position()) {
        done();
        return;
    }
    phase_ = Phase::ImageHead;
    skip(image - position());
    need(kImageHeadSize);
}

void DwgWalker::imageHead(const uint8_t* r)
{
    imageCount_ = r[20];
    if (std::memcmp(r, kImageStart, 16) != 0 || imageCount_ == 0 || imageCount_ > 16) {
        done();
        return;
    }
    phase_ = Phase::ImageEntries;
    need(9u * imageCount_);
}

void DwgWalker::imageEntries(const uint8_t* r, size_t)
{
    // Each piece: its kind, file offset and size; the end sentinel follows
    // the last piece.
    imageEnd_ = position();
    for (uint8_t k = 0; k < imageCount_; ++k) {
        const uint64_t end = static_cast<uint64_t>(le32(r + 9 * k + 1)) + le32(r + 9 * k + 5);
        imageEnd_ = std::max(imageEnd_, end);
    }
    continuesTo(imageEnd_);
    phase_ = Phase::ImageEnd;
    skip(imageEnd_ - position());
    need(16);
}

void DwgWalker::imageEnd(const uint8_t* r)
{
    const uint64_t end = recordStart() + 16;
    if (std::memcmp(r, kImageEnd, 16) == 0 && end >= sectionsEnd_)
        endsAt(end);
    else
        done();
}

void DwgWalker::pagedHeader(const uint8_t* r)
{
    // The header at 0x80 is XORed with a linear congruential sequence.
    std::memcpy(encryptedHeader_.data(), r + kPagedHeaderAt, kPagedHeaderSize);
    uint8_t h[kPagedHeaderSize];
    uint32_t seed = 1;
    for (size_t k = 0; k < kPagedHeaderSize; ++k) {
        seed = seed * 0x343FD + 0x269EC3;
        h[k] = static_cast<uint8_t>(r[kPagedHeaderAt + k] ^ (seed >> 16));
    }
    const bool fixed = std::memcmp(h, "AcFssFcAJMB", 12) == 0 && le32(h + 0x10) == kPagedHeaderSize &&
                       le32(h + 0x14) == 4 && le32(h + 0x44) == 0x20 && le32(h + 0x48) == 0x80 &&
                       le32(h + 0x4C) == 0x40;
    // Page addresses count from 0x100; the copy's address from the start.
    const uint64_t lastPageEnd = le64(h + 0x2C) + 0x100;
    const uint64_t pageMap = le64(h + 0x54) + 0x100;
    const uint64_t copy = le64(h + 0x34);
    if (!fixed || lastPageEnd >= kMaxOffset || pageMap >= kMaxOffset || copy >= kMaxOffset) {
        notFormat();
        return;
    }
    sectionsEnd_ = std::max(lastPageEnd, pageMap);
    continuesTo(sectionsEnd_);
    if (copy < position()) {
        done();
        return;
    }
    phase_ = Phase::HeaderCopy;
    skip(copy - position());
    need(kPagedHeaderSize);
}

void DwgWalker::headerCopy(const uint8_t* r)
{
    const uint64_t end = recordStart() + kPagedHeaderSize;
    if (std::memcmp(r, encryptedHeader_.data(), kPagedHeaderSize) == 0 && end >= sectionsEnd_)
        endsAt(end);
    else
        done();
}

} // namespace ostrel::walkers
