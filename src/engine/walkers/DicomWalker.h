#pragma once
// DICOM files (DCM): a 128-byte preamble, "DICM", the file meta group
// (group 0002, explicit VR little endian) naming the transfer syntax, then
// the data set in that syntax: implicit VR little endian, explicit VR little
// or big endian, or one raw deflate stream. Sequences and encapsulated pixel
// data may have undefined lengths, closed by delimitation items; they are
// followed on a small bounded stack.
//
// Nothing marks the end of a data set, so the file ends after the last
// top-level element when the next bytes cannot be the next element: its tag
// must be above the previous one and in a group a data set may hold, its VR
// valid (explicit syntaxes) and its length possible. A deflated data set
// ends where its deflate stream ends. A byte that cannot stand inside an
// open sequence or pixel data is Broken.

#include "engine/walkers/DeflateEnd.h"
#include "engine/walkers/StreamWalker.h"

#include <array>
#include <memory>

namespace ostrel::walkers {

class DicomWalker final : public StreamWalker {
public:
    DicomWalker();
    std::string provenType() const override { return "DCM"; }

private:
    enum class Step : uint8_t { Preamble, MetaHeader, MetaLength, MetaValue, Header, LongLength, Deflated, Lost };
    enum class Syntax : uint8_t { ImplicitLittle, ExplicitLittle, ExplicitBig, Deflated };
    // An open container of undefined length.
    enum class Frame : uint8_t { Sequence, Item, Fragments };
    struct Open {
        Frame frame;
        bool implicit; // items of a UN sequence are implicit VR little endian
    };

    void onRecord(const uint8_t* record, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;

    void onMetaHeader(const uint8_t* p);
    void onMetaElement(uint32_t tag, uint64_t length);
    // A meta element ended at `end`: the next one, or the data set.
    void afterMetaElement(uint64_t end);
    void startDataSet();
    void onHeader(const uint8_t* p);
    void onElement(uint32_t tag, uint16_t vr, uint64_t length);
    void nextHeader();
    // The bytes at the element that began at `at` are no element here: the
    // file ends there (top level) or is broken (inside an open container).
    void notAnElement(uint64_t at);
    // Nesting deeper than the stack: nothing more is proven.
    void lose();
    bool implicitHere() const;
    bool bigHere() const;

    Step step_ = Step::Preamble;
    Syntax syntax_ = Syntax::ExplicitLittle;
    uint64_t metaEnd_ = 0;     // where the group length puts the meta group's end; 0 when absent
    uint32_t metaTag_ = 0;
    uint32_t lastTopTag_ = 0;
    uint64_t topElements_ = 0;
    uint32_t headerTag_ = 0;   // the element whose long length is awaited
    uint16_t headerVr_ = 0;
    uint64_t headerStart_ = 0;
    static constexpr size_t kMaxDepth = 32;
    std::array<Open, kMaxDepth> open_{};
    size_t depth_ = 0;
    std::unique_ptr<DeflateEnd> deflate_;
};

} // namespace ostrel::walkers
