#include "engine/walkers/GzipWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint8_t kHeaderCrc = 0x02;
constexpr uint8_t kExtra = 0x04;
constexpr uint8_t kName = 0x08;
constexpr uint8_t kComment = 0x10;
constexpr size_t kMaxText = 64 * 1024; // a longer name or comment is not GZIP

} // namespace

GzipWalker::GzipWalker()
{
    need(10);
}

bool GzipWalker::header(const uint8_t* r)
{
    // Magic, deflate, no reserved flag bits, a known operating system.
    return r[0] == 0x1F && r[1] == 0x8B && r[2] == 8 && (r[3] & 0xE0) == 0 && (r[9] <= 13 || r[9] == 255);
}

void GzipWalker::onRecord(const uint8_t* r, size_t)
{
    switch (phase_) {
    case Phase::NextMember:
        if (!header(r)) {
            endsAt(memberEnd_);
            return;
        }
        [[fallthrough]];
    case Phase::Header:
        if (!header(r)) {
            notFormat();
            return;
        }
        ++members_;
        flags_ = r[3];
        if (flags_ & kExtra) {
            phase_ = Phase::ExtraLength;
            need(2);
        } else {
            afterExtra();
        }
        break;
    case Phase::ExtraLength:
        skip(le16(r));
        afterExtra();
        break;
    case Phase::Trailer:
        memberEnd_ = position();
        continuesTo(memberEnd_);
        phase_ = Phase::NextMember;
        need(10);
        break;
    case Phase::Name:
    case Phase::Comment:
    case Phase::Deflate:
        break;
    }
}

void GzipWalker::afterExtra()
{
    if (flags_ & kName) {
        phase_ = Phase::Name;
        textLength_ = 0;
        scan();
    } else {
        afterName();
    }
}

void GzipWalker::afterName()
{
    if (flags_ & kComment) {
        phase_ = Phase::Comment;
        textLength_ = 0;
        scan();
    } else {
        afterComment();
    }
}

void GzipWalker::afterComment()
{
    if (flags_ & kHeaderCrc)
        skip(2);
    phase_ = Phase::Deflate;
    inflater_.reset();
    scan();
}

size_t GzipWalker::text(const uint8_t* data, size_t size)
{
    const auto* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t taken = zero ? static_cast<size_t>(zero - data) + 1 : size;
    textLength_ += static_cast<uint32_t>(std::min(taken, kMaxText + 1));
    if (textLength_ > kMaxText) {
        if (members_ == 1 && position() < kHeaderLookahead)
            notFormat();
        else
            brokenAt(position());
        return taken;
    }
    if (zero) {
        if (phase_ == Phase::Name)
            afterName();
        else
            afterComment();
    }
    return taken;
}

size_t GzipWalker::onScan(const uint8_t* data, size_t size)
{
    if (phase_ == Phase::Name || phase_ == Phase::Comment)
        return text(data, size);
    if (phase_ != Phase::Deflate)
        return size;
    size_t used = 0;
    switch (inflater_.feed(data, size, used)) {
    case DeflateEnd::Result::NeedMore:
        continuesTo(position() + used);
        break;
    case DeflateEnd::Result::End:
        continuesTo(position() + used + 8);
        phase_ = Phase::Trailer;
        need(8);
        break;
    case DeflateEnd::Result::Error:
        // Not deflate: random data behind the magic, or damage from here on.
        if (members_ == 1 && position() + used < kHeaderLookahead)
            notFormat();
        else
            brokenAt(position() + used);
        break;
    }
    return used;
}

} // namespace ostrel::walkers
