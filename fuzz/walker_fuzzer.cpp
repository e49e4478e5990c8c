// libFuzzer target for one family of format walkers (chosen at build time):
// the first input byte picks the type, the second the piece size, the rest
// is the file. Besides crashes, hangs and sanitizer findings it traps a
// proven length that shrinks and a final verdict that changes.

#include "engine/walkers/Families.h"

#include <cstdlib>

using namespace ostrel::walkers;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<std::string> types = OSTREL_WALKER_TYPES();
    if (size < 2 || types.empty())
        return 0;
    const std::string& type = types[data[0] % types.size()];
    const size_t piece = 1 + static_cast<size_t>(data[1]) * 37;
    data += 2;
    size -= 2;
    auto walker = makeWalker(type);
    if (!walker)
        std::abort();
    Verdict last = walker->verdict();
    for (size_t at = 0; at < size; at += piece) {
        const Verdict v = walker->feed(data + at, std::min(piece, size - at));
        if (last.final() && !(v == last))
            std::abort();
        if (last.state == State::Continues && v.state == State::Continues && v.offset < last.offset)
            std::abort();
        last = v;
    }
    (void)walker->provenType();
    return 0;
}
