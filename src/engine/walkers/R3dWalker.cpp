#include "engine/walkers/R3dWalker.h"

#include <cstring>

namespace ostrel::walkers {

namespace {

constexpr uint32_t kAtomHeader = 8;
constexpr uint32_t kMaxHeaderAtom = 64 * 1024;

bool redTag(const uint8_t* tag)
{
    if (tag[0] != 'R')
        return false;
    for (int i = 1; i < 4; ++i) {
        const uint8_t c = tag[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' '))
            return false;
    }
    return true;
}

bool clipHeader(const uint8_t* tag)
{
    return std::memcmp(tag, "RED1", 4) == 0 || std::memcmp(tag, "RED2", 4) == 0;
}

} // namespace

R3dWalker::R3dWalker()
{
    need(kAtomHeader);
}

void R3dWalker::onData(const uint8_t* p, size_t)
{
    const uint32_t size = be32(p);
    const uint64_t start = recordStart();
    const bool first = atoms_ == 0;
    const bool valid = size >= kAtomHeader && redTag(p + 4) && clipHeader(p + 4) == first &&
                       (!first || size <= kMaxHeaderAtom);
    if (!valid) {
        // Behind the header the second atom is part of the header check.
        if (first || (atoms_ == 1 && position() <= kHeaderLookahead))
            notFormat();
        else
            endsAt(start);
        return;
    }
    ++atoms_;
    const uint64_t end = start + size;
    if (std::memcmp(p + 4, "REOB", 4) == 0) {
        endsWhenFed(end);
        return;
    }
    continuesTo(end);
    skip(end - position());
    need(kAtomHeader);
}

} // namespace ostrel::walkers
