#pragma once
// PNG and MNG walker: follows the chunks (length, type, data, CRC) from the
// signature to IEND (PNG, APNG) or MEND (MNG).

#include "engine/walkers/FormatWalker.h"

namespace ostrel::walkers {

// A new walker for one PNG file (`mng` false) or MNG file (`mng` true). The
// caller owns it; it is fed on one thread.
std::unique_ptr<FormatWalker> makePngWalker(bool mng);

} // namespace ostrel::walkers
