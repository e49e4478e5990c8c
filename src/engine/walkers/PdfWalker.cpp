#include "engine/walkers/PdfWalker.h"

#include <cstring>
#include <string_view>

namespace ostrel::walkers {

namespace {

// Bytes that may start a token the walker looks for: "%%EOF", "stream",
// "/Length".
struct TokenStarts {
    bool pdf[256] = {};
    bool postScript[256] = {};
    constexpr TokenStarts()
    {
        pdf[static_cast<uint8_t>('%')] = pdf[static_cast<uint8_t>('s')] = pdf[static_cast<uint8_t>('/')] = true;
        postScript[static_cast<uint8_t>('%')] = true;
    }
};
constexpr TokenStarts kStarts;

constexpr std::string_view kEof = "%%EOF";
constexpr std::string_view kStream = "stream";
constexpr std::string_view kLength = "/Length";
constexpr std::string_view kEndStream = "endstream";

bool isWhite(uint8_t c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool isDigit(uint8_t c)
{
    return c >= '0' && c <= '9';
}

enum class Match : uint8_t { No, Partial, Yes };

// Whether `word` stands at a[0..n), or could once more bytes arrive.
Match matchWord(const uint8_t* a, size_t n, std::string_view word)
{
    const size_t k = std::min(n, word.size());
    if (std::memcmp(a, word.data(), k) != 0)
        return Match::No;
    return k == word.size() ? Match::Yes : Match::Partial;
}

} // namespace

PdfWalker::PdfWalker(Flavor flavor) : flavor_(flavor)
{
    scan();
}

size_t PdfWalker::onScan(const uint8_t* data, size_t size)
{
    if (!headerFound_)
        return findHeader(data, size);
    const size_t used = process(data, size, position());
    if (pendingSkip_ > 0) {
        skip(pendingSkip_);
        pendingSkip_ = 0;
    }
    return finished() ? size : used;
}

size_t PdfWalker::findHeader(const uint8_t* data, size_t size)
{
    // A PDF header may stand anywhere in the first sector; PostScript
    // starts at the first byte.
    const size_t take = std::min(size, header_.size() - headerHave_);
    std::memcpy(header_.data() + headerHave_, data, take);
    headerHave_ += take;
    const std::string_view magic = flavor_ == Flavor::Pdf ? "%PDF-" : "%!PS-Adobe-";
    const size_t searchIn = flavor_ == Flavor::Pdf ? headerHave_ : std::min(headerHave_, magic.size());
    const auto* found = static_cast<const uint8_t*>(memmem(header_.data(), searchIn, magic.data(), magic.size()));
    if (!found) {
        if (headerHave_ >= (flavor_ == Flavor::Pdf ? header_.size() : magic.size()))
            notFormat();
        return take;
    }
    const size_t at = static_cast<size_t>(found - header_.data());
    const size_t version = at + magic.size();
    if (version + 3 > headerHave_)
        return take; // the version has not arrived yet
    if (!isDigit(header_[version]) || header_[version + 1] != '.' || !isDigit(header_[version + 2])) {
        notFormat();
        return take;
    }
    headerFound_ = true;
    processHeld(header_.data() + version + 3, headerHave_ - version - 3, version + 3);
    return take;
}

void PdfWalker::processHeld(const uint8_t* p, size_t size, uint64_t base)
{
    size_t at = 0;
    while (at < size && !finished()) {
        at += process(p + at, size - at, base + at);
        if (pendingSkip_ == 0)
            continue;
        const uint64_t left = size - at;
        if (pendingSkip_ <= left) {
            at += static_cast<size_t>(pendingSkip_);
            pendingSkip_ = 0;
        } else {
            skip(pendingSkip_ - left);
            pendingSkip_ = 0;
            return;
        }
    }
}

size_t PdfWalker::feedAfterEof(const uint8_t* p, size_t size)
{
    const size_t take = std::min(size, after_.size() - afterHave_);
    std::memcpy(after_.data() + afterHave_, p, take);
    afterHave_ += take;
    size_t eol = 0;
    const Decision decision = decideAfterEof(eol);
    if (decision == Decision::Ends)
        endsAt(eofEnd_ + eol);
    if (decision != Decision::NeedMore)
        eofPending_ = false;
    return take;
}

PdfWalker::Decision PdfWalker::decideAfterEof(size_t& eol) const
{
    const uint8_t* a = after_.data();
    const size_t n = afterHave_;
    const bool full = n == after_.size();
    if (n == 0)
        return Decision::NeedMore;
    eol = 0;
    if (a[0] == '\r') {
        if (n < 2)
            return Decision::NeedMore;
        eol = a[1] == '\n' ? 2 : 1;
    } else if (a[0] == '\n') {
        eol = 1;
    }
    size_t i = eol;
    if (flavor_ == Flavor::PostScript) {
        // PostScript goes on with more text (an embedded document's %%EOF);
        // another document's header, binary data or zeros end it.
        constexpr size_t kText = 16;
        if (n < i + kText && !full)
            return Decision::NeedMore;
        if (matchWord(a + i, n - i, "%!PS") == Match::Yes || matchWord(a + i, n - i, "%PDF") == Match::Yes)
            return Decision::Ends;
        for (size_t k = i; k < std::min(n, i + kText); ++k) {
            if (!(isWhite(a[k]) || (a[k] >= 0x20 && a[k] < 0x7F)))
                return Decision::Ends;
        }
        return Decision::GoesOn;
    }
    while (i < n && isWhite(a[i]))
        ++i;
    if (i == n)
        return full ? Decision::Ends : Decision::NeedMore;
    const auto undecided = [&] { return full ? Decision::Ends : Decision::NeedMore; };
    if (isDigit(a[i])) {
        // "N G obj": an incremental update or the rest of a linearized file.
        for (int part = 0; part < 2; ++part) {
            const size_t start = i;
            while (i < n && isDigit(a[i]) && i - start < 10)
                ++i;
            if (i == start)
                return Decision::Ends;
            const size_t gap = i;
            while (i < n && isWhite(a[i]))
                ++i;
            if (i == n)
                return undecided();
            if (i == gap)
                return Decision::Ends;
        }
        const Match m = matchWord(a + i, n - i, "obj");
        return m == Match::Yes ? Decision::GoesOn : m == Match::No ? Decision::Ends : undecided();
    }
    if (a[i] == '%') {
        for (std::string_view other : {"%PDF-", "%!PS"}) {
            const Match m = matchWord(a + i, n - i, other);
            if (m == Match::Yes)
                return Decision::Ends;
            if (m == Match::Partial)
                return undecided();
        }
        // A comment line of text.
        for (size_t k = i + 1; k < n; ++k) {
            if (a[k] == '\r' || a[k] == '\n')
                return Decision::GoesOn;
            if (a[k] < 0x20 && a[k] != '\t')
                return Decision::Ends;
        }
        return full ? Decision::GoesOn : Decision::NeedMore;
    }
    bool partial = false;
    for (std::string_view word : {"xref", "trailer", "startxref", "endstream", "endobj"}) {
        const Match m = matchWord(a + i, n - i, word);
        if (m == Match::Yes)
            return Decision::GoesOn;
        partial = partial || m == Match::Partial;
    }
    return partial ? undecided() : Decision::Ends;
}

void PdfWalker::startEof(uint64_t end)
{
    eofPending_ = true;
    eofEnd_ = end;
    afterHave_ = 0;
}

void PdfWalker::streamData(uint64_t at)
{
    // Only a direct length can be trusted before the data; an indirect one
    // ("/Length 12 0 R") leaves the stream to the scan.
    if (flavor_ == Flavor::Pdf && lengthKnown_ && length_ > 0 && lengthsTrusted_) {
        continuesTo(at + length_);
        pendingSkip_ = length_;
        token_ = Token::AfterStream; // "endstream" must follow
        matched_ = 0;
    }
    lengthKnown_ = false;
}

size_t PdfWalker::process(const uint8_t* p, size_t n, uint64_t base)
{
    size_t i = 0;
    if (eofPending_) {
        feedAfterEof(p, n);
        if (finished())
            return n;
    }
    const bool* starts = flavor_ == Flavor::Pdf ? kStarts.pdf : kStarts.postScript;
    while (i < n && pendingSkip_ == 0 && !finished()) {
        if (token_ == Token::None) {
            while (i < n && !starts[p[i]])
                ++i;
            if (i == n)
                break;
            const uint8_t c = p[i];
            if (c == '%') {
                token_ = Token::Eof;
            } else if (c == '/') {
                token_ = Token::Length;
            } else {
                // "endstream" holds "stream" too: look at the three bytes before.
                uint32_t before = recent_;
                for (size_t k = i >= 3 ? i - 3 : 0; k < i; ++k)
                    before = before << 8 | p[k];
                if ((before & 0xFFFFFF) != ('e' << 16 | 'n' << 8 | 'd'))
                    token_ = Token::Stream;
            }
            matched_ = 1;
            ++i;
            continue;
        }
        const uint8_t c = p[i];
        switch (token_) {
        case Token::Eof:
            if (c != static_cast<uint8_t>(kEof[matched_])) {
                token_ = Token::None;
                break;
            }
            ++i;
            if (++matched_ == kEof.size()) {
                token_ = Token::None;
                startEof(base + i);
                feedAfterEof(p + i, n - i);
            }
            break;
        case Token::Stream:
            if (c != static_cast<uint8_t>(kStream[matched_])) {
                token_ = Token::None;
                break;
            }
            ++i;
            if (++matched_ == kStream.size())
                token_ = Token::StreamEol;
            break;
        case Token::StreamEol:
            token_ = Token::None;
            if (c == '\n') {
                ++i;
                streamData(base + i);
            } else if (c == '\r') {
                ++i;
                token_ = Token::StreamCr;
            }
            break;
        case Token::StreamCr:
            token_ = Token::None;
            if (c == '\n')
                ++i;
            streamData(base + i);
            break;
        case Token::Length:
            if (c != static_cast<uint8_t>(kLength[matched_])) {
                token_ = Token::None;
                break;
            }
            ++i;
            if (++matched_ == kLength.size())
                token_ = Token::LengthStart;
            break;
        case Token::LengthStart:
            // "/Length1" and "/Length2" are other keys.
            token_ = isWhite(c) ? Token::LengthNumber : Token::None;
            number_ = 0;
            digits_ = 0;
            break;
        case Token::LengthNumber:
            if (isDigit(c) && digits_ < 15) {
                number_ = number_ * 10 + (c - '0');
                ++digits_;
                ++i;
            } else if (isWhite(c) && digits_ == 0) {
                ++i;
            } else if (digits_ == 0) {
                token_ = Token::None;
            } else {
                lengthKnown_ = true;
                length_ = number_;
                token_ = isWhite(c) ? Token::LengthGap : Token::None;
            }
            break;
        case Token::LengthGap:
            if (isWhite(c) || isDigit(c)) {
                token_ = isDigit(c) ? Token::LengthGeneration : Token::LengthGap;
                ++i;
            } else {
                token_ = Token::None;
            }
            break;
        case Token::LengthGeneration:
            if (isWhite(c) || isDigit(c)) {
                ++i;
            } else {
                if (c == 'R') {
                    lengthKnown_ = false; // an indirect length
                    ++i;
                }
                token_ = Token::None;
            }
            break;
        case Token::AfterStream:
            if (matched_ == 0 && isWhite(c)) {
                ++i;
            } else if (c == static_cast<uint8_t>(kEndStream[matched_])) {
                ++i;
                if (++matched_ == kEndStream.size())
                    token_ = Token::None;
            } else {
                // The length was wrong: later ones are not trusted either.
                lengthsTrusted_ = false;
                token_ = Token::None;
            }
            break;
        case Token::None:
            break;
        }
    }
    for (size_t k = i >= 4 ? i - 4 : 0; k < i; ++k)
        recent_ = recent_ << 8 | p[k];
    return i;
}

} // namespace ostrel::walkers
