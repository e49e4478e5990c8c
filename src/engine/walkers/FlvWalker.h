#pragma once
// Flash video (FLV): a 9-byte header, then tags (type, 24-bit data size,
// time stamp, stream ID 0), each followed by the size of the tag before it.
// The file ends behind the last tag's back-pointer, where the next bytes
// cannot start a tag.

#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

class FlvWalker final : public MediaWalker {
public:
    FlvWalker();

private:
    enum class Step : uint8_t { Header, Tag };
    void onData(const uint8_t* record, size_t size) override;

    Step step_ = Step::Header;
    uint64_t tags_ = 0;
};

} // namespace ostrel::walkers
