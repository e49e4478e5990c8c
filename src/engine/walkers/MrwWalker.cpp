#include "engine/walkers/MrwWalker.h"

#include <array>
#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint32_t kMaxMetadata = 1 << 20;

bool knownBlock(const uint8_t* tag)
{
    for (const char* name : {"PRD", "TTW", "WBG", "RIF", "PAD"}) {
        if (tag[0] == 0 && std::memcmp(tag + 1, name, 3) == 0)
            return true;
    }
    return false;
}

} // namespace

MrwWalker::MrwWalker()
{
    need(8);
}

void MrwWalker::nextBlock(uint64_t at)
{
    // `at`: where the stream stands once the block just read is skipped.
    if (at + 8 <= dataStart_) {
        step_ = Step::BlockHeader;
        need(8);
        return;
    }
    skip(dataStart_ - at); // padding too short for a block
    if (rawSize_ > 0) {
        finishAt(dataStart_ + rawSize_, dataStart_);
    } else {
        continuesTo(dataStart_);
        scan(); // storage not known: the raw data's end is not either
    }
}

void MrwWalker::onBlockHeader(const uint8_t* p)
{
    const uint64_t length = be32(p + 4);
    // The first block is always PRD; every block lies inside the MRM block.
    if (!knownBlock(p) || (blocks_ == 0 && std::memcmp(p + 1, "PRD", 3) != 0) ||
        length > dataStart_ - position()) {
        refuse();
        return;
    }
    ++blocks_;
    blockEnd_ = position() + length;
    if (std::memcmp(p + 1, "PRD", 3) == 0 && length >= 24) {
        step_ = Step::Dimensions;
        need(24);
        return;
    }
    skip(length);
    nextBlock(blockEnd_);
}

void MrwWalker::onField(const uint8_t* p, size_t)
{
    switch (step_) {
    case Step::Header: {
        const uint32_t length = be32(p + 4);
        if (std::memcmp(p, "\0MRM", 4) != 0 || length < 8 || length > kMaxMetadata) {
            refuse();
            return;
        }
        dataStart_ = 8 + uint64_t{length};
        continuesTo(dataStart_);
        nextBlock(position());
        break;
    }
    case Step::BlockHeader:
        onBlockHeader(p);
        break;
    case Step::Dimensions: {
        // Sensor height and width at 8 and 10; storage method at 18:
        // 0x52 16 bits per pixel, 0x59 12 bits packed.
        const uint64_t pixels = uint64_t{be16(p + 8)} * be16(p + 10);
        if (p[18] == 0x52)
            rawSize_ = pixels * 2;
        else if (p[18] == 0x59)
            rawSize_ = pixels * 3 / 2;
        skip(blockEnd_ - position());
        nextBlock(blockEnd_);
        break;
    }
    }
}

} // namespace ostrel::walkers
