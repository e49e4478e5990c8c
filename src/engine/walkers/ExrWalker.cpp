#include "engine/walkers/ExrWalker.h"

#include <algorithm>
#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint32_t kTiled = 0x200;
constexpr uint32_t kLongNames = 0x400;
constexpr uint32_t kDeep = 0x800;
constexpr uint32_t kMultiPart = 0x1000;
constexpr int32_t kMaxAttribute = 64 << 20; // a preview image is the largest
constexpr uint64_t kMaxOffset = uint64_t{1} << 40;

bool printable(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c <= 0x7e; });
}

} // namespace

ExrWalker::ExrWalker()
{
    need(8);
}

size_t ExrWalker::onScan(const uint8_t* data, size_t size)
{
    if (step_ != Step::Name && step_ != Step::TypeName)
        return size;
    const void* nul = std::memchr(data, 0, size);
    const size_t take = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - data) : size;
    if (text_.size() + take > 255) {
        refuse();
        return take;
    }
    text_.append(reinterpret_cast<const char*>(data), take);
    if (!nul)
        return size;
    onText();
    return take + 1;
}

void ExrWalker::onText()
{
    const std::string text = std::move(text_);
    text_.clear();
    if (!printable(text) || text.size() > maxName_) {
        refuse();
        return;
    }
    if (step_ == Step::TypeName) {
        if (text.empty()) {
            refuse();
            return;
        }
        step_ = Step::Size;
        need(4);
        return;
    }
    if (!text.empty()) {
        step_ = Step::TypeName;
        return; // still scanning
    }
    // The empty name ends the header.
    if (attributes_ == 0) {
        refuse();
        return;
    }
    continuesTo(position());
    if (!simple_) {
        step_ = Step::Rest;
        return;
    }
    step_ = Step::Offset;
    need(8);
}

void ExrWalker::onField(const uint8_t* p, size_t)
{
    switch (step_) {
    case Step::Header: {
        const uint32_t version = le32(p + 4);
        if (std::memcmp(p, "v/1\x01", 4) != 0 || (version & 0xff) != 2 ||
            (version & ~uint32_t{0xff | kTiled | kLongNames | kDeep | kMultiPart}) != 0) {
            refuse();
            return;
        }
        tiled_ = version & kTiled;
        maxName_ = version & kLongNames ? 255 : 31;
        simple_ = !(version & (kDeep | kMultiPart));
        step_ = Step::Name;
        scan();
        break;
    }
    case Step::Size: {
        const int32_t size = static_cast<int32_t>(le32(p));
        if (size < 0 || size > kMaxAttribute) {
            refuse();
            return;
        }
        ++attributes_;
        continuesTo(position() + static_cast<uint64_t>(size));
        skip(static_cast<uint64_t>(size));
        step_ = Step::Name;
        scan();
        break;
    }
    case Step::Offset: {
        // Every chunk lies after the table; the table ends at the first one.
        const uint64_t offset = le64(p);
        if (offset < position() || offset > kMaxOffset) {
            brokenAt(recordStart());
            return;
        }
        firstChunk_ = std::min(firstChunk_, offset);
        lastChunk_ = std::max(lastChunk_, offset);
        continuesTo(lastChunk_);
        if (position() < firstChunk_) {
            need(8);
            return;
        }
        skip(lastChunk_ - position());
        step_ = Step::LastChunk;
        need(tiled_ ? 20 : 8); // tile x, y, level x, y or the line; then the size
        break;
    }
    case Step::LastChunk:
        finishAt(lastChunk_ + (tiled_ ? 20 : 8) + le32(p + (tiled_ ? 16 : 4)));
        break;
    case Step::Name:
    case Step::TypeName:
    case Step::Rest:
        break;
    }
}

} // namespace ostrel::walkers
