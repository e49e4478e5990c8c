#pragma once
// JPEG walker: follows the marker segments from SOI, the entropy-coded scans
// and EOI. A file whose APP2 "MPF" index lists further images (MPO files,
// phones' gain maps and depth maps) ends at the end of the last listed image.

#include "engine/walkers/FormatWalker.h"

namespace ostrel::walkers {

// A new walker for one JPEG file (JFIF, Exif, MPF/MPO, progressive or
// baseline). The caller owns it; it is fed on one thread.
std::unique_ptr<FormatWalker> makeJpegWalker();

} // namespace ostrel::walkers
