#include "engine/walkers/RtfWalker.h"

#include <array>
#include <cstring>

namespace ostrel::walkers {

namespace {

enum : uint8_t { kPlain = 0, kOpen, kClose, kBackslash, kControl };

constexpr std::array<uint8_t, 256> classes()
{
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 0x20; ++c)
        t[c] = kControl;
    t['\t'] = t['\n'] = t['\r'] = t['\f'] = kPlain;
    t['{'] = kOpen;
    t['}'] = kClose;
    t['\\'] = kBackslash;
    return t;
}
constexpr std::array<uint8_t, 256> kClass = classes();

bool isLetter(uint8_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr uint32_t kMaxDepth = 1u << 20;

} // namespace

RtfWalker::RtfWalker()
{
    need(7);
}

void RtfWalker::onRecord(const uint8_t* r, size_t)
{
    // "{\rtf1" and a delimiter.
    const uint8_t next = r[6];
    if (std::memcmp(r, "{\\rtf1", 6) != 0 ||
        !(next == '\\' || next == '{' || next == '}' || next == ' ' || next == '\r' || next == '\n')) {
        notFormat();
        return;
    }
    depth_ = 1;
    state_ = State::Text;
    if (next == '\\')
        state_ = State::Escape;
    else if (next == '{')
        ++depth_;
    else if (next == '}')
        depth_ = 0, end_ = position(), state_ = State::AfterEnd;
    scan();
}

bool RtfWalker::looksLikeText(const uint8_t* p, size_t n, uint64_t upTo)
{
    // RTF is 7-bit text; some writers put raw 8-bit characters in it, but
    // never as many as random data has. Checked over the look-ahead.
    for (size_t k = 0; k < n; ++k)
        highBytes_ += p[k] >> 7;
    return highBytes_ * 4 <= upTo || upTo < 64;
}

void RtfWalker::finish(uint64_t end)
{
    // A short file is held to plain 7-bit text, and even the smallest
    // document a writer makes has a character set and some text.
    if (end < 16 || (end < kHeaderLookahead && (highBytes_ * 4 > end || (end < 64 && highBytes_ > 0))))
        notFormat();
    else
        endsAt(end);
}

size_t RtfWalker::onScan(const uint8_t* data, size_t size)
{
    const uint64_t base = position();
    size_t i = 0;
    while (i < size) {
        const uint8_t c = data[i];
        switch (state_) {
        case State::Text: {
            // The common case: plain text up to the next special byte.
            const size_t from = i;
            while (i < size && kClass[data[i]] == kPlain)
                ++i;
            if (base + from < kHeaderLookahead && !looksLikeText(data + from, i - from, base + i)) {
                notFormat();
                return i;
            }
            if (i == size)
                break;
            switch (kClass[data[i]]) {
            case kOpen:
                if (++depth_ > kMaxDepth) {
                    brokenAt(base + i);
                    return i;
                }
                break;
            case kClose:
                if (--depth_ == 0) {
                    end_ = base + i + 1;
                    state_ = State::AfterEnd;
                }
                break;
            case kBackslash:
                state_ = State::Escape;
                break;
            default: // a control byte
                if (base + i < kHeaderLookahead)
                    notFormat();
                else
                    brokenAt(base + i);
                return i;
            }
            ++i;
            break;
        }
        case State::Escape:
            // A control symbol (\{, \}, \\, \' ...) takes one byte; a control
            // word is letters, then an optional number.
            if (isLetter(c)) {
                state_ = State::Word;
                word_[0] = static_cast<char>(c);
                wordLength_ = 1;
            } else {
                state_ = State::Text;
            }
            ++i;
            break;
        case State::Word:
            if (isLetter(c)) {
                if (wordLength_ < sizeof(word_))
                    word_[wordLength_] = static_cast<char>(c);
                ++wordLength_;
                ++i;
            } else if (wordLength_ == 3 && std::memcmp(word_, "bin", 3) == 0 && c >= '0' && c <= '9') {
                state_ = State::BinNumber;
                binLength_ = 0;
                binDigits_ = 0;
            } else {
                state_ = State::Text; // the delimiter is read as text
            }
            break;
        case State::BinNumber:
            if (c >= '0' && c <= '9' && binDigits_ < 12) {
                binLength_ = binLength_ * 10 + (c - '0');
                ++binDigits_;
                ++i;
                break;
            }
            // One space delimits the number; then the raw bytes.
            if (c == ' ')
                ++i;
            state_ = State::Text;
            if (binLength_ > 0) {
                continuesTo(base + i + binLength_);
                skip(binLength_);
                return i;
            }
            break;
        case State::AfterEnd:
            if (c == '\r') {
                state_ = State::AfterEndCr;
                ++i;
                break;
            }
            finish(c == '\n' ? end_ + 1 : end_);
            return size;
        case State::AfterEndCr:
            finish(c == '\n' ? end_ + 2 : end_ + 1);
            return size;
        }
    }
    return size;
}

} // namespace ostrel::walkers
