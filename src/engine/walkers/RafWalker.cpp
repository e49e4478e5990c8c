#include "engine/walkers/RafWalker.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {

namespace {

// The header up to the raw data length; the second set of blocks (newer
// cameras) stands at 0x78 .. 0x87 when the JPEG starts after it.
constexpr size_t kHeader = 0x6c;
constexpr size_t kSecondSetEnd = 0x88;
// The JPEG follows the header closely; offsets are 32-bit.
constexpr uint64_t kMaxJpegOffset = 4096;
constexpr uint64_t kMaxEnd = uint64_t{1} << 32;

bool digits(const uint8_t* p, size_t n)
{
    return std::all_of(p, p + n, [](uint8_t c) { return c >= '0' && c <= '9'; });
}

} // namespace

RafWalker::RafWalker()
{
    need(kHeader);
}

bool RafWalker::addBlock(uint64_t offset, uint64_t length)
{
    if (offset == 0 && length == 0)
        return true; // not present
    if (offset < jpegOffset_ || offset + length > kMaxEnd)
        return false;
    end_ = std::max(end_, offset + length);
    return true;
}

void RafWalker::onHeader(const uint8_t* p)
{
    // "FUJIFILMCCD-RAW ", a four-digit format version, and a four-digit
    // directory version at 0x3c.
    if (std::memcmp(p, "FUJIFILMCCD-RAW ", 16) != 0 || !digits(p + 16, 4) || !digits(p + 0x3c, 4)) {
        refuse();
        return;
    }
    jpegOffset_ = be32(p + 0x54);
    const uint64_t jpegLength = be32(p + 0x58);
    const uint64_t rawLength = be32(p + 0x68);
    if (jpegOffset_ < 0x5c || jpegOffset_ > kMaxJpegOffset || jpegLength == 0 || rawLength == 0 ||
        !addBlock(jpegOffset_, jpegLength) || !addBlock(be32(p + 0x5c), be32(p + 0x60)) ||
        !addBlock(be32(p + 0x64), rawLength)) {
        refuse();
        return;
    }
    continuesTo(end_);
    if (jpegOffset_ >= kSecondSetEnd) {
        step_ = Step::SecondSet;
        need(kSecondSetEnd - kHeader);
        return;
    }
    checkJpeg();
}

void RafWalker::checkJpeg()
{
    step_ = Step::Jpeg;
    skip(jpegOffset_ - position());
    need(2);
}

void RafWalker::onField(const uint8_t* p, size_t)
{
    switch (step_) {
    case Step::Header:
        onHeader(p);
        break;
    case Step::SecondSet: {
        // Fields 0x78 .. 0x87: second container and second raw block.
        // Fields that are no blocks here (older layouts) are left alone.
        const uint8_t* set = p + (0x78 - kHeader);
        const uint64_t before = end_;
        if (!addBlock(be32(set), be32(set + 4)) || !addBlock(be32(set + 8), be32(set + 12)))
            end_ = before;
        continuesTo(end_);
        checkJpeg();
        break;
    }
    case Step::Jpeg:
        if (p[0] != 0xff || p[1] != 0xd8) {
            refuse();
            return;
        }
        finishAt(end_);
        break;
    }
}

} // namespace ostrel::walkers
