#pragma once
// PDF and PostScript: the file ends after the last "%%EOF" line that is not
// followed by more of the document. What follows each %%EOF decides: an
// incremental update or the rest of a linearized file (an object, xref,
// trailer, startxref, a comment line) goes on; zeros, binary data or another
// file's header end it. PDF streams whose /Length is a direct number are
// skipped whole, so a %%EOF or a file header inside one counts for nothing.

#include "engine/walkers/StreamWalker.h"

#include <array>

namespace ostrel::walkers {

class PdfWalker final : public StreamWalker {
public:
    enum class Flavor : uint8_t { Pdf, PostScript };
    explicit PdfWalker(Flavor flavor);

private:
    enum class Token : uint8_t {
        None,
        Eof,
        Stream,
        StreamEol,
        StreamCr,
        Length,
        LengthStart,
        LengthNumber,
        LengthGap,
        LengthGeneration,
        AfterStream,
    };
    enum class Decision : uint8_t { NeedMore, GoesOn, Ends };

    size_t onScan(const uint8_t* data, size_t size) override;
    void onRecord(const uint8_t*, size_t) override {}

    size_t findHeader(const uint8_t* data, size_t size);
    // Runs the token machine over bytes at `base`; returns how many it took
    // (fewer than `size` when a stream is to be skipped or the file ended).
    size_t process(const uint8_t* p, size_t size, uint64_t base);
    // Runs process() over bytes held in a buffer, skipping within it.
    void processHeld(const uint8_t* p, size_t size, uint64_t base);
    // Gathers the bytes after a %%EOF and decides once they suffice.
    size_t feedAfterEof(const uint8_t* p, size_t size);
    // `eol` receives the length of the %%EOF's line end.
    Decision decideAfterEof(size_t& eol) const;
    void startEof(uint64_t end);
    // A stream's data begins at `at`: skip it when its length is known.
    void streamData(uint64_t at);

    Flavor flavor_;
    bool headerFound_ = false;
    std::array<uint8_t, 520> header_{};
    size_t headerHave_ = 0;

    Token token_ = Token::None;
    size_t matched_ = 0;
    uint32_t recent_ = 0; // the last four bytes, newest lowest
    uint64_t number_ = 0;
    size_t digits_ = 0;
    bool lengthKnown_ = false;
    uint64_t length_ = 0;
    uint64_t pendingSkip_ = 0;
    bool lengthsTrusted_ = true; // false once a skipped stream missed its "endstream"

    bool eofPending_ = false;
    uint64_t eofEnd_ = 0;
    std::array<uint8_t, 64> after_{};
    size_t afterHave_ = 0;
};

} // namespace ostrel::walkers
