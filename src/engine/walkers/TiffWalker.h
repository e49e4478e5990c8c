#pragma once
// TIFF and the raws built on it (DNG, NEF, ARW, CR2, ORF, RW2, PEF ...),
// BigTIFF and JPEG XR. A TIFF file has no end marker: it ends at the largest
// end of everything its directories reference (directories, values stored
// outside their entries, strips, tiles, embedded JPEGs, maker-note previews).
//
// The walker cannot look back: it keeps the first bytes of the file and the
// most recent ones (RecentBytes) and a list of pending reads sorted by where
// they end, each done when the stream has passed it. It says Ends once every
// pending read is done and nothing was lost; a reference it could not read
// (behind the stream, too many values to pair) leaves it at Continues to the
// largest end known, never a wrong Ends.

#include "engine/walkers/FormatWalker.h"
#include "engine/walkers/RecentBytes.h"
#include "engine/walkers/TiffExtent.h"
#include "engine/walkers/TiffFormat.h"
#include "engine/walkers/TiffTags.h"
#include "engine/walkers/TiffTypeRules.h"

#include <memory>
#include <vector>

namespace ostrel::walkers {

class TiffWalker final : public FormatWalker {
public:
    TiffWalker();

    Verdict feed(const uint8_t* data, size_t size) override;
    Verdict verdict() const override { return verdict_; }

    // The type the header, DNGVersion and Make prove; empty before the first
    // directory was read.
    std::string provenType() const override;
    // A preview, thumbnail or image block the directories point to.
    bool embeds(uint64_t offset) const override { return extent_.blockStartsAt(offset); }

private:
    enum class ReadKind : uint8_t { DirectoryCount, Directory, Probe, Values, Pointers, Text, MakerNote, Recipe };

    struct Read {
        uint64_t offset = 0;
        uint32_t length = 0;
        ReadKind kind = ReadKind::Directory;
        TiffDir dir = TiffDir::Main;
        TiffLayout layout;       // byte order and entry size of what is read
        uint64_t base = 0;       // offsets inside count from here
        uint64_t count = 0;      // entries of a directory, values of this read
        uint64_t first = 0;      // Values: index of the first value read
        uint64_t total = 0;      // Values: values of the whole array
        uint16_t type = 0;       // Values, Pointers: field type
        uint16_t tag = 0;        // Text: the tag
        int pair = -1;           // Values: pair id, -1 for offsets without counts
        int side = 0;            // Values: 0 offsets, 1 byte counts
        bool firstDirectory = false;
        bool chain = false;      // Directory: follow its next-directory offset

        uint64_t end() const { return offset + length; }
    };

    // One entry of a directory being read.
    struct Entry {
        uint16_t tag = 0;
        uint16_t type = 0;
        uint64_t count = 0;
        const uint8_t* field = nullptr; // the value or offset field
        bool inlined = false;           // the values stand in the field
        uint64_t valueOffset = 0;       // else: where they stand in the file
    };

    void readHeader();
    void processReady();
    void updateVerdict();
    void queue(const Read& read);
    void queueDirectory(uint64_t offset, TiffDir dir, const TiffLayout& layout, uint64_t base, bool chain,
                        bool first = false);
    void queueValues(const Read& read);
    void handle(const Read& read, const uint8_t* bytes);
    void onDirectoryCount(const Read& read, const uint8_t* bytes);
    void onDirectory(const Read& read, const uint8_t* bytes);
    void onEntry(const Read& read, const Entry& entry);
    void onPair(const Read& read, const Entry* offsets, const Entry* counts);
    void onValues(const Read& read, const uint8_t* bytes);
    void onMakerNote(const Read& read, const uint8_t* bytes);
    void onCanonEntry(const Entry& entry);
    void onRecipe(const Read& read, const uint8_t* bytes);
    void badDirectory(const Read& read);
    bool knownTypes(const Read& read, const uint8_t* bytes);
    bool trustedEnd() const;

    RecentBytes bytes_;
    std::unique_ptr<uint8_t[]> scratch_; // the read being handled (not cleared)
    std::unique_ptr<uint64_t[]> values_; // its values, decoded
    std::vector<Read> pending_; // sorted by end, the nearest last
    std::vector<uint64_t> visited_;
    TiffExtent extent_;
    TiffFacts facts_;
    TiffLayout layout_;
    uint64_t headerSize_ = 8;
    bool headerRead_ = false;
    bool validated_ = false; // the first directory passed the header check
    Verdict verdict_;
};

} // namespace ostrel::walkers
