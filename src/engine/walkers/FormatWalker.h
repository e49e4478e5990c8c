#pragma once
// Format walkers: each follows the structure of one family of file formats
// through the bytes of a file being carved, so the engine can end the file
// where the format ends, keep it open past a header that lies inside it, and
// refuse a header that the format forbids.
//
// A walker is fed the file's bytes in order, in pieces of any size, and keeps
// a small bounded state: it never holds the whole file. It reads untrusted
// bytes from a medium as root: every length and offset is checked, nothing
// is allocated from a size the data gives, no input may make it crash, hang
// or grow without bound.
//
// Offsets are bytes from the first byte of the format, which is the first
// byte fed.
//
// Plain C++ without Qt: the walkers are fuzzed and tested on their own.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::walkers {

enum class State : uint8_t {
    // Nothing is proven (yet): the engine carves as if there were no walker.
    Unknown,
    // The file certainly goes on to at least `offset` (a declared length, a
    // box, chunk, segment or frame that the position lies inside). May point
    // beyond the bytes fed so far. Never decreases.
    Continues,
    // The file ends exactly at `offset` (its length in bytes). Final. May be
    // reported before that many bytes were fed when the structure fixes the
    // length (a size field that the walker checked).
    Ends,
    // The bytes from `offset` on cannot belong to this file (an impossible
    // length, a marker that may not stand there): the file ends at or before
    // `offset`. Final.
    Broken,
    // The first bytes are not a header of this format at all (a header check
    // failed: impossible fields, no next frame where one must start). Final.
    // Reported only from the first bytes a header check needs (see
    // kHeaderLookahead); later damage is Broken.
    NotFormat,
};

struct Verdict {
    State state = State::Unknown;
    uint64_t offset = 0;

    bool final() const { return state == State::Ends || state == State::Broken || state == State::NotFormat; }
    friend bool operator==(const Verdict&, const Verdict&) = default;
};

// The engine feeds at most this many bytes before it decides whether a
// header makes a file (it feeds fewer when the medium ends first). A header
// check must fit in it.
constexpr size_t kHeaderLookahead = 16 * 512;

class FormatWalker {
public:
    virtual ~FormatWalker() = default;

    // The next `size` bytes of the file. Returns the verdict after them.
    // After a final verdict further calls change nothing and return it.
    virtual Verdict feed(const uint8_t* data, size_t size) = 0;

    // The verdict after the bytes fed so far.
    virtual Verdict verdict() const = 0;

    // True when the structure read so far makes the bytes at `offset` part of
    // this file: they lie in a metadata block that carries pictures (an Exif
    // or MPF segment), or the structure points there (an MPF image, a raw
    // file's preview). A header found there starts a copy of something the
    // file holds, not a file of its own. False when unsure: a payload the
    // walker skips (media data, an archive member) may have been
    // overwritten by a later file.
    virtual bool embeds(uint64_t offset) const
    {
        (void)offset;
        return false;
    }

    // The type the structure proves, as an upper-case extension without the
    // dot ("NEF", "DOCX", "CR3"), when it says more than the header did;
    // empty otherwise. May become known at any time while feeding.
    virtual std::string provenType() const { return {}; }
};

// The walker for a signature entry's extension (case-insensitive, with or
// without the leading dot); null when the format has no walker.
std::unique_ptr<FormatWalker> makeWalker(std::string_view extension);

// Every extension that has a walker, upper-case (tests, fuzzing).
std::vector<std::string> walkerTypes();

} // namespace ostrel::walkers
