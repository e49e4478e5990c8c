#pragma once
// DSD stream files (DSF): the "DSD " chunk states the whole file's size;
// the "fmt " and "data" chunks behind it must fit in it.

#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

class DsfWalker final : public MediaWalker {
public:
    DsfWalker();

private:
    void onData(const uint8_t* record, size_t size) override;
};

} // namespace ostrel::walkers
