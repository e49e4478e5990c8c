#include "engine/walkers/AsfWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

using Guid = uint8_t[16];
constexpr Guid kHeaderObject = {
    0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kDataObject = {
    0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kStreamProperties = {
    0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11, 0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid kAudioMedia = {
    0x40, 0x9E, 0x69, 0xF8, 0x4D, 0x5B, 0xCF, 0x11, 0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
constexpr Guid kVideoMedia = {
    0xC0, 0xEF, 0x19, 0xBC, 0x4D, 0x5B, 0xCF, 0x11, 0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
// Objects that may follow the Data object: simple index, index, media
// object index, timecode index.
constexpr Guid kIndexObjects[] = {
    {0x90, 0x08, 0x00, 0x33, 0xB1, 0xE5, 0xCF, 0x11, 0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB},
    {0xD3, 0x29, 0xE2, 0xD6, 0xDA, 0x35, 0xD1, 0x11, 0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE},
    {0xF8, 0x03, 0xB1, 0xFE, 0xAD, 0x12, 0x64, 0x4C, 0x84, 0x0F, 0x2A, 0x1D, 0x2F, 0x7A, 0xD4, 0x8C},
    {0xD0, 0x3F, 0xB7, 0x3C, 0x4A, 0x0C, 0x03, 0x48, 0x95, 0x3D, 0xED, 0xF7, 0xB6, 0x22, 0x8F, 0x0C},
};

constexpr size_t kObjectHeader = 24; // GUID and size
constexpr size_t kHeaderFixed = 30;  // plus object count and two reserved bytes
constexpr uint64_t kMaxHeader = 64u << 20;
constexpr uint64_t kDataFixed = 50; // plus file ID, packet count, reserved

bool is(const uint8_t* p, const Guid& g)
{
    return std::memcmp(p, g, 16) == 0;
}

} // namespace

AsfWalker::AsfWalker()
{
    need(kObjectHeader);
}

std::string AsfWalker::provenType() const
{
    if (video_)
        return "WMV";
    if (audio_)
        return "WMA";
    return streams_ ? "ASF" : "";
}

void AsfWalker::onData(const uint8_t* r, size_t)
{
    switch (step_) {
    case Step::Header: {
        const uint64_t size = le64(r + 16);
        if (!is(r, kHeaderObject) || size < kHeaderFixed || size > kMaxHeader) {
            notFormat();
            return;
        }
        headerEnd_ = size;
        step_ = Step::HeaderCounts;
        need(kHeaderFixed - kObjectHeader);
        break;
    }
    case Step::HeaderCounts:
        if (le32(r) == 0 || r[4] != 0x01 || r[5] != 0x02) {
            notFormat();
            return;
        }
        continuesTo(headerEnd_);
        nextChild(kHeaderFixed);
        break;
    case Step::Child:
        onChild(r);
        break;
    case Step::StreamType:
        streams_ = true;
        video_ = video_ || is(r, kVideoMedia);
        audio_ = audio_ || is(r, kAudioMedia);
        nextChild(childEnd_);
        break;
    case Step::TopLevel:
        onTopLevel(r);
        break;
    }
}

void AsfWalker::nextChild(uint64_t at)
{
    if (at + kObjectHeader > headerEnd_) {
        afterHeader();
        return;
    }
    step_ = Step::Child;
    skip(at - position());
    need(kObjectHeader);
}

void AsfWalker::onChild(const uint8_t* r)
{
    const uint64_t start = recordStart();
    const uint64_t size = le64(r + 16);
    if (size < kObjectHeader || size > headerEnd_ - start) {
        refuse(start); // a child that does not fit its header object
        return;
    }
    childEnd_ = start + size;
    if (is(r, kStreamProperties) && size >= kObjectHeader + 16) {
        step_ = Step::StreamType;
        need(16);
        return;
    }
    nextChild(childEnd_);
}

void AsfWalker::afterHeader()
{
    step_ = Step::TopLevel;
    skip(headerEnd_ - position());
    need(kObjectHeader);
}

void AsfWalker::onTopLevel(const uint8_t* r)
{
    const uint64_t start = recordStart();
    const uint64_t size = le64(r + 16);
    bool known = false;
    if (!dataSeen_) {
        known = is(r, kDataObject) && size >= kDataFixed;
        if (is(r, kDataObject) && size == 0) {
            scan(); // a broadcast stream: the Data object has no size
            return;
        }
        dataSeen_ = known;
        if (!known) {
            refuse(start);
            return;
        }
    } else {
        for (const Guid& g : kIndexObjects)
            known = known || is(r, g);
        known = known && size >= kObjectHeader;
    }
    if (!known) {
        endsAt(start);
        return;
    }
    if (size > UINT64_MAX - start) {
        brokenAt(start);
        return;
    }
    continuesTo(start + size);
    skip(start + size - position());
    need(kObjectHeader);
}

void AsfWalker::refuse(uint64_t at)
{
    if (at < kHeaderLookahead)
        notFormat();
    else
        brokenAt(at);
}

} // namespace ostrel::walkers
