#pragma once
// Fujifilm raw (RAF): a big-endian header that gives the offset and length
// of the embedded JPEG, of the metadata container (CFA header) and of the
// raw data (CFA), and in newer files of a second container and raw block.
// The file ends at the largest end of these blocks.

#include "engine/walkers/DeclaredEndWalker.h"

namespace ostrel::walkers {

class RafWalker final : public DeclaredEndWalker {
public:
    RafWalker();
    std::string provenType() const override { return "RAF"; }

private:
    enum class Step : uint8_t { Header, SecondSet, Jpeg };

    void onField(const uint8_t* record, size_t size) override;
    void onHeader(const uint8_t* p);
    bool addBlock(uint64_t offset, uint64_t length);
    void checkJpeg();

    Step step_ = Step::Header;
    uint64_t jpegOffset_ = 0;
    uint64_t end_ = 0;
};

} // namespace ostrel::walkers
