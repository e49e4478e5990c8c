#pragma once
// OpenEXR images: magic and version, the header's attributes (name, type
// name, size, value) up to an empty name, the table of chunk offsets, then
// the chunks. The table ends where the first chunk starts (its smallest
// offset), and the file ends after the chunk at the largest offset, whose
// size stands in its own small header. Multi-part and deep images are only
// followed through their header.

#include "engine/walkers/DeclaredEndWalker.h"

#include <string>

namespace ostrel::walkers {

class ExrWalker final : public DeclaredEndWalker {
public:
    ExrWalker();
    std::string provenType() const override { return "EXR"; }

private:
    enum class Step : uint8_t { Header, Name, TypeName, Size, Offset, LastChunk, Rest };

    void onField(const uint8_t* record, size_t size) override;
    size_t onScan(const uint8_t* data, size_t size) override;
    void onText();

    Step step_ = Step::Header;
    std::string text_;       // the name or type name being read
    size_t maxName_ = 31;    // 255 with the long-names flag
    bool tiled_ = false;
    bool simple_ = true;     // single-part, not deep: chunks are followed
    int attributes_ = 0;
    uint64_t firstChunk_ = UINT64_MAX; // smallest chunk offset so far
    uint64_t lastChunk_ = 0;           // largest
};

} // namespace ostrel::walkers
