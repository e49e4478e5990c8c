#include "engine/walkers/ApeWalker.h"

#include "engine/walkers/AudioTags.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr size_t kDescriptor = 52; // descriptor bytes since version 3.98
constexpr uint32_t kHeader = 24;   // header bytes behind it
constexpr unsigned kFirstDescriptorVersion = 3980;
constexpr unsigned kLastKnownVersion = 4999;
constexpr uint32_t kMaxPart = 1u << 30; // descriptor, header, seek table or WAV header bytes

} // namespace

ApeWalker::ApeWalker()
{
    need(kDescriptor);
}

void ApeWalker::onData(const uint8_t* r, size_t)
{
    switch (step_) {
    case Step::Descriptor: {
        const unsigned version = le16(r + 4);
        if (std::memcmp(r, "MAC ", 4) != 0 || version < 3800 || version > kLastKnownVersion) {
            notFormat();
            return;
        }
        if (version < kFirstDescriptorVersion) {
            // Compression level 1000..5000 in steps of 1000, channels, sample rate.
            const unsigned level = le16(r + 6), channels = le16(r + 10);
            const uint32_t rate = le32(r + 12);
            if (level == 0 || level > 5000 || level % 1000 != 0 || channels == 0 || channels > 32 || rate == 0 ||
                rate > 768000) {
                notFormat();
                return;
            }
            scan(); // no data length in the old header
            return;
        }
        const uint32_t descriptor = le32(r + 8), header = le32(r + 12), seekTable = le32(r + 16),
                       wavHeader = le32(r + 20), trailer = le32(r + 32);
        const uint64_t frameData = le32(r + 24) | uint64_t{le32(r + 28)} << 32;
        if (descriptor != kDescriptor || header != kHeader || seekTable > kMaxPart || wavHeader > kMaxPart ||
            trailer > kMaxPart || frameData > (1ull << 48)) {
            notFormat();
            return;
        }
        const uint64_t end = uint64_t{descriptor} + header + seekTable + wavHeader + frameData + trailer;
        continuesTo(end);
        step_ = Step::Trailer;
        skip(end - position());
        need(kApeTagHeaderSize);
        break;
    }
    case Step::Trailer: {
        const uint64_t start = recordStart();
        const uint64_t tag = apeTagLength(r);
        if (tag > 0) {
            continuesTo(start + tag);
            step_ = Step::Id3v1;
            skip(start + tag - position());
            need(3);
        } else if (std::memcmp(r, "TAG", 3) == 0) {
            endsWhenFed(start + kId3v1Size);
        } else {
            endsAt(start);
        }
        break;
    }
    case Step::Id3v1:
        if (std::memcmp(r, "TAG", 3) == 0)
            endsWhenFed(recordStart() + kId3v1Size);
        else
            endsAt(recordStart());
        break;
    }
}

} // namespace ostrel::walkers
