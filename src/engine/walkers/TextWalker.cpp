#include "engine/walkers/TextWalker.h"

#include <array>
#include <cstring>

namespace ostrel::walkers {

namespace {

// Printable ASCII that needs no look: everything from space to '~' but '>'.
constexpr std::array<bool, 256> plainBytes()
{
    std::array<bool, 256> t{};
    for (int c = 0x20; c < 0x7F; ++c)
        t[c] = c != '>';
    return t;
}
constexpr std::array<bool, 256> kPlain = plainBytes();

std::string_view endLine(TextWalker::Flavor flavor)
{
    switch (flavor) {
    case TextWalker::Flavor::VCard:
        return "END:VCARD";
    case TextWalker::Flavor::Calendar:
        return "END:VCALENDAR";
    default:
        return {};
    }
}

} // namespace

TextWalker::TextWalker(Flavor flavor) : flavor_(flavor)
{
    scan();
}

void TextWalker::textEnds(uint64_t at)
{
    if (lastRecordEnd_ > 0)
        endsAt(lastRecordEnd_);
    else if (at < kHeaderLookahead)
        notFormat();
    else
        brokenAt(at);
}

void TextWalker::noteLineEnd(uint64_t after)
{
    // A record's line end is part of it; CR LF counts as one.
    if (afterMarker_)
        lastRecordEnd_ = after;
    const std::string_view marker = endLine(flavor_);
    if (!marker.empty()) {
        std::string_view line(line_, std::min<size_t>(lineLength_, sizeof(line_)));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        if (lineLength_ <= sizeof(line_) && line == marker)
            lastRecordEnd_ = after;
    } else if (flavor_ == Flavor::Mail) {
        lastRecordEnd_ = after;
    }
    lineLength_ = 0;
}

size_t TextWalker::onScan(const uint8_t* data, size_t size)
{
    const uint64_t base = position();
    size_t i = 0;
    if (!started_) {
        started_ = true;
        // XML in UTF-16LE starts with its byte-order mark.
        if (flavor_ == Flavor::Xml && data[0] == 0xFF) {
            utf16_ = true;
            if (size < 2 || data[1] != 0xFE) {
                notFormat();
                return size;
            }
            i = 2;
        }
    }
    for (; i < size; ++i) {
        if (!utf16_ && continuation_ == 0 && kPlain[data[i]]) {
            // A run of plain printable ASCII: only the line's first bytes
            // matter.
            const size_t from = i;
            while (i < size && kPlain[data[i]])
                ++i;
            const size_t run = i - from;
            if (lineLength_ < sizeof(line_))
                std::memcpy(line_ + lineLength_, data + from, std::min(run, sizeof(line_) - lineLength_));
            lineLength_ = static_cast<uint32_t>(std::min<uint64_t>(lineLength_ + run, 0xFFFF));
            afterMarker_ = false;
            if (i == size)
                break;
        }
        uint32_t c = data[i];
        if (utf16_) {
            if (!haveLow_) {
                unit_ = c;
                haveLow_ = true;
                continue;
            }
            haveLow_ = false;
            c = unit_ | c << 8;
            // Surrogates come in pairs; FFFE and FFFF are not characters.
            const bool high = c >= 0xD800 && c <= 0xDBFF;
            const bool low = c >= 0xDC00 && c <= 0xDFFF;
            if (low != highSurrogate_ || (!high && !low && c >= 0xFFFE) || (high && highSurrogate_)) {
                textEnds(base + i - 1);
                return i;
            }
            highSurrogate_ = high;
            if (high || low) {
                afterMarker_ = false;
                continue;
            }
        } else if (continuation_ > 0) {
            if ((c & 0xC0) != 0x80) {
                textEnds(base + i);
                return i;
            }
            --continuation_;
            continue;
        } else if (c >= 0x80 && flavor_ == Flavor::Mail && inBody_) {
            // A message body may be in any 8-bit character set; its header
            // lines are ASCII or UTF-8.
            continue;
        } else if (c >= 0x80) {
            // A UTF-8 lead byte and its continuation count; anything else
            // (a stray continuation, C0/C1, F5 and up) is not text.
            if (c >= 0xC2 && c <= 0xDF)
                continuation_ = 1;
            else if (c >= 0xE0 && c <= 0xEF)
                continuation_ = 2;
            else if (c >= 0xF0 && c <= 0xF4)
                continuation_ = 3;
            else {
                textEnds(base + i);
                return i;
            }
            afterMarker_ = false;
            continue;
        }
        const uint64_t after = base + i + 1;
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') {
            textEnds(base + i - (utf16_ ? 1 : 0));
            return i;
        }
        if (c == '\n') {
            // An empty line ends a message's header.
            if (lineLength_ == 0 || (lineLength_ == 1 && line_[0] == '\r'))
                inBody_ = true;
            noteLineEnd(after);
            afterMarker_ = false;
            continue;
        }
        if (c == '\r') {
            // CR LF or a lone CR: the record ends after the CR for now, the
            // LF (if it comes) moves it on.
            if (afterMarker_)
                lastRecordEnd_ = after;
            if (lineLength_ < sizeof(line_))
                line_[lineLength_] = '\r';
            if (lineLength_ < 0xFFFF)
                ++lineLength_;
            continue;
        }
        afterMarker_ = false;
        if (c == '>' && (flavor_ == Flavor::Html || flavor_ == Flavor::Xml)) {
            lastRecordEnd_ = after;
            afterMarker_ = true;
        }
        if (lineLength_ < sizeof(line_))
            line_[lineLength_] = static_cast<char>(c);
        if (lineLength_ < 0xFFFF)
            ++lineLength_;
    }
    return size;
}

} // namespace ostrel::walkers
