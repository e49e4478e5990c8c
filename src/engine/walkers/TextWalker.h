#pragma once
// Text formats without a length: vCard, iCalendar, HTML, XML (UTF-8 or
// UTF-16LE with its byte-order mark) and e-mail messages. The text ends at
// the first byte that cannot be text (a zero, a control byte, broken UTF-8):
// the file ends after the last complete record before it, which is the line
// "END:VCARD" / "END:VCALENDAR" (with its line end), the last '>' of HTML
// and XML (with its line end), or the last line end of a message. Text with
// no such record in the header check's look-ahead is not the format.

#include "engine/walkers/StreamWalker.h"

#include <string_view>

namespace ostrel::walkers {

class TextWalker final : public StreamWalker {
public:
    enum class Flavor : uint8_t { VCard, Calendar, Html, Xml, Mail };
    explicit TextWalker(Flavor flavor);

private:
    size_t onScan(const uint8_t* data, size_t size) override;
    void onRecord(const uint8_t*, size_t) override {}
    // The text ended at `at`: end after the last record, or refuse.
    void textEnds(uint64_t at);
    void noteLineEnd(uint64_t after);

    Flavor flavor_;
    bool utf16_ = false;
    bool started_ = false;
    uint32_t unit_ = 0;        // UTF-16: the low byte of a unit being read
    bool haveLow_ = false;
    bool highSurrogate_ = false; // UTF-16: a low surrogate must come next
    uint32_t continuation_ = 0; // UTF-8 continuation bytes still expected
    uint64_t lastRecordEnd_ = 0;
    bool inBody_ = false;       // mail: past the empty line after the header
    bool afterMarker_ = false;  // a record just closed: its line end belongs to it
    // The current line's start, for "END:..." (only its first bytes).
    char line_[16] = {};
    uint32_t lineLength_ = 0;
};

} // namespace ostrel::walkers
