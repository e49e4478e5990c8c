#include "engine/walkers/GifWalker.h"

#include "engine/walkers/StreamWalker.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {
namespace {

constexpr uint8_t kImage = 0x2C;
constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kTrailer = 0x3B;
constexpr size_t kScreenDescriptor = 6 + 7; // signature and logical screen
constexpr size_t kImageDescriptor = 9;
constexpr uint8_t kMaxLzwCodeSize = 12;
// Encoders use 2..8 (1 bit per pixel still starts at 2).
constexpr uint8_t kMinHeaderLzwCodeSize = 2;
constexpr uint8_t kMaxHeaderLzwCodeSize = 8;
constexpr uint8_t kGraphicControl = 0xF9;
constexpr uint8_t kComment = 0xFE;
constexpr uint8_t kApplication = 0xFF;
constexpr uint8_t kPlainText = 0x01;

// Whether an extension's label and first sub-block length are one of the
// four extensions GIF89a defines, each with its fixed first block size.
bool knownExtension(uint8_t label, uint8_t firstLength)
{
    return (label == kGraphicControl && firstLength == 4) || (label == kApplication && firstLength == 11) ||
           (label == kPlainText && firstLength == 12) || label == kComment;
}

// Bytes of the colour table a descriptor's packed field announces.
uint64_t colourTableSize(uint8_t packed)
{
    return (packed & 0x80) ? 3u << ((packed & 7) + 1) : 0;
}

class GifWalker final : public StreamWalker {
public:
    GifWalker() { need(kScreenDescriptor); }

private:
    enum class Step : uint8_t { Screen, Introducer, ImageDescriptor, LzwCodeSize, ExtensionLabel, SubBlocks };

    void onRecord(const uint8_t* r, size_t n) override;
    size_t onScan(const uint8_t* d, size_t n) override;
    void onIntroducer(uint8_t byte);
    void subBlocks()
    {
        step_ = Step::SubBlocks;
        subBlockLeft_ = 0;
        scan();
    }

    Step step_ = Step::Screen;
    // The block after the screen descriptor (introducer, label or code size
    // and first length) is part of the header check.
    bool firstBlock_ = true;
    size_t subBlockLeft_ = 0;
};

void GifWalker::onRecord(const uint8_t* r, size_t)
{
    switch (step_) {
    case Step::Screen:
        if (std::memcmp(r, "GIF87a", 6) != 0 && std::memcmp(r, "GIF89a", 6) != 0) {
            notFormat();
            return;
        }
        skip(colourTableSize(r[10]));
        step_ = Step::Introducer;
        need(1);
        break;
    case Step::Introducer:
        onIntroducer(r[0]);
        break;
    case Step::ImageDescriptor:
        skip(colourTableSize(r[8]));
        step_ = Step::LzwCodeSize;
        need(1);
        break;
    case Step::LzwCodeSize:
        if (firstBlock_ && (r[0] < kMinHeaderLzwCodeSize || r[0] > kMaxHeaderLzwCodeSize)) {
            notFormat();
        } else if (r[0] == 0 || r[0] > kMaxLzwCodeSize) {
            brokenAt(recordStart());
        } else {
            firstBlock_ = false;
            subBlocks();
        }
        break;
    case Step::ExtensionLabel:
        // The label and the first sub-block's length byte.
        if (firstBlock_ && !knownExtension(r[0], r[1])) {
            notFormat();
            return;
        }
        firstBlock_ = false;
        if (r[1] == 0) {
            step_ = Step::Introducer; // an extension without data
            need(1);
            return;
        }
        subBlocks();
        subBlockLeft_ = r[1];
        break;
    case Step::SubBlocks:
        break; // sub-blocks are scanned
    }
}

void GifWalker::onIntroducer(uint8_t byte)
{
    continuesTo(position());
    if (byte == kImage) {
        step_ = Step::ImageDescriptor;
        need(kImageDescriptor);
    } else if (byte == kExtension) {
        step_ = Step::ExtensionLabel;
        need(2);
    } else if (byte == kTrailer && !firstBlock_) {
        endsAt(position());
    } else if (firstBlock_) {
        notFormat(); // no image or extension where the first must start
    } else {
        brokenAt(recordStart()); // decoders stop at anything but a block here
    }
}

// A chain of sub-blocks (a length byte, then that many bytes) ending with a
// zero length.
size_t GifWalker::onScan(const uint8_t* d, size_t n)
{
    size_t i = 0;
    while (i < n) {
        if (subBlockLeft_ > 0) {
            const size_t take = std::min(subBlockLeft_, n - i);
            subBlockLeft_ -= take;
            i += take;
            continue;
        }
        const uint8_t length = d[i++];
        if (length == 0) {
            continuesTo(position() + i);
            step_ = Step::Introducer;
            need(1);
            return i;
        }
        subBlockLeft_ = length;
    }
    continuesTo(position() + n + subBlockLeft_);
    return n;
}

} // namespace

std::unique_ptr<FormatWalker> makeGifWalker()
{
    return std::make_unique<GifWalker>();
}

} // namespace ostrel::walkers
