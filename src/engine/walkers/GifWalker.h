#pragma once
// GIF walker: follows the header, the colour tables and the blocks (images
// with their LZW sub-blocks, extensions) to the trailer byte.

#include "engine/walkers/FormatWalker.h"

namespace ostrel::walkers {

// A new walker for one GIF87a or GIF89a file, still or animated. The caller
// owns it; it is fed on one thread.
std::unique_ptr<FormatWalker> makeGifWalker();

} // namespace ostrel::walkers
