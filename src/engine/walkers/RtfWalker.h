#pragma once
// RTF: a text file of nested groups. It ends after the closing brace that
// brings the group depth back to 0 (and the line end right after it). Escaped
// braces and \binN data do not count. A control byte (other than tab and line
// ends) cannot stand in RTF: inside the header check's look-ahead it refuses
// the file, later it breaks it.

#include "engine/walkers/StreamWalker.h"

namespace ostrel::walkers {

class RtfWalker final : public StreamWalker {
public:
    RtfWalker();

private:
    enum class State : uint8_t { Text, Escape, Word, BinNumber, AfterEnd, AfterEndCr };

    void onRecord(const uint8_t* r, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;
    // Counts 8-bit bytes of plain text; false when there are too many for
    // text in the bytes up to `upTo`.
    bool looksLikeText(const uint8_t* p, size_t n, uint64_t upTo);
    // Ends the file, unless what came before was not text after all.
    void finish(uint64_t end);

    State state_ = State::Text;
    uint32_t depth_ = 0;
    char word_[4] = {};
    uint32_t wordLength_ = 0;
    uint64_t binLength_ = 0;
    uint32_t binDigits_ = 0;
    uint64_t end_ = 0;
    uint64_t highBytes_ = 0;
};

} // namespace ostrel::walkers
