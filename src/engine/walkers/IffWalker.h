#pragma once
// Big-endian IFF forms: AIFF and AIFF-C ("FORM", 32-bit size) and DSDIFF
// ("FRM8", 64-bit size, form "DSD "). The form's size gives the end (plus a
// pad byte when odd); the header check wants the first chunk inside it.

#include "engine/walkers/MediaWalker.h"

#include <string>

namespace ostrel::walkers {

class IffWalker final : public MediaWalker {
public:
    IffWalker();
    std::string provenType() const override { return type_; }

private:
    void onData(const uint8_t* record, size_t size) override;
    std::string type_;
};

} // namespace ostrel::walkers
