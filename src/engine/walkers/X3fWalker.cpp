#include "engine/walkers/X3fWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr char kDirectory[] = "SECd";
constexpr uint32_t kMaxEntries = 64;

bool printable(const uint8_t* p)
{
    for (int i = 0; i < 4; ++i) {
        if (p[i] < 0x20 || p[i] > 0x7e)
            return false;
    }
    return true;
}

} // namespace

X3fWalker::X3fWalker()
{
    need(8);
}

size_t X3fWalker::onScan(const uint8_t* data, size_t size)
{
    // "SECd" may be split across pieces: matched_ carries its start.
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == static_cast<uint8_t>(kDirectory[matched_])) {
            if (++matched_ == 4) {
                directory_ = position() + i + 1 - 4;
                matched_ = 0;
                step_ = Step::DirectoryHead;
                need(8);
                return i + 1;
            }
        } else {
            matched_ = data[i] == 'S' ? 1 : 0;
            if (matched_ == 0) {
                // Jump to the next 'S'.
                const void* s = std::memchr(data + i + 1, 'S', size - i - 1);
                if (!s)
                    return size;
                i = static_cast<const uint8_t*>(s) - data - 1;
            }
        }
    }
    return size;
}

void X3fWalker::onRecord(const uint8_t* p, size_t size)
{
    switch (step_) {
    case Step::Header: {
        // "FOVb" and a version of 2.x to 4.x.
        const uint32_t major = le32(p + 4) >> 16;
        if (std::memcmp(p, "FOVb", 4) != 0 || major < 2 || major > 4) {
            notFormat();
            return;
        }
        continuesTo(position());
        step_ = Step::Search;
        scan();
        break;
    }
    case Step::DirectoryHead:
        // Directory version 2.0, a few entries.
        entries_ = le32(p + 4);
        if ((le32(p) >> 16) != 2 || entries_ == 0 || entries_ > kMaxEntries) {
            step_ = Step::Search;
            scan();
            return;
        }
        step_ = Step::Entries;
        need(entries_ * 12 + 4);
        break;
    case Step::Entries:
        onEntries(p, size);
        break;
    case Step::Search:
        break;
    }
}

void X3fWalker::onEntries(const uint8_t* p, size_t size)
{
    bool valid = le32(p + size - 4) == directory_;
    for (uint32_t i = 0; valid && i < entries_; ++i) {
        const uint8_t* e = p + 12 * i;
        const uint64_t end = uint64_t{le32(e)} + le32(e + 4);
        valid = le32(e) >= 8 && end <= directory_ && printable(e + 8);
    }
    if (valid) {
        endsAt(position());
        return;
    }
    step_ = Step::Search;
    scan();
}

} // namespace ostrel::walkers
