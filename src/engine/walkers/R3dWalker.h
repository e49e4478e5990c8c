#pragma once
// RED camera clips (R3D): a chain of atoms, each a big-endian 32-bit size
// (header included) and a 4-character tag: the RED1 or RED2 header first,
// then video (REDV), audio (REDA) and index atoms, and at the end the
// trailer (REOB) that points back to the index. RED names its atoms with
// letters, digits and spaces, beginning with 'R'.
//
// The file ends after the trailer, or after the last atom when the next
// bytes cannot start one (a size below 8, a tag RED does not use, another
// clip's header). The header check wants a second atom behind the header.

#include "engine/walkers/MediaWalker.h"

namespace ostrel::walkers {

class R3dWalker final : public MediaWalker {
public:
    R3dWalker();
    std::string provenType() const override { return "R3D"; }

private:
    void onData(const uint8_t* record, size_t size) override;

    uint64_t atoms_ = 0;
};

} // namespace ostrel::walkers
