#pragma once
// BMP walker: a BMP file has no structure to follow, only a header whose
// fields must fit together. The walker checks them and ends the file at the
// size its header gives. The check matters: the thorough tables match a bare
// "BM" at a sector's start, which random data hits once in 65536 sectors.

#include "engine/walkers/FormatWalker.h"

namespace ostrel::walkers {

// Bytes of the file header and the longest DIB header (BITMAPV5HEADER).
constexpr size_t kBmpLongestHeader = 14 + 124;

// The file length the BMP header at `header` (`size` bytes, the file's
// first bytes) proves, in bytes; 0 when the bytes are not a BMP header: a
// field is impossible or the fields do not fit together (reserved fields,
// DIB header size, planes, bit count and compression, pixel data offset,
// the pixel bytes the dimensions imply against the file size). Pure.
uint64_t bmpFileSize(const uint8_t* header, size_t size);

// A new walker for one BMP file. The caller owns it; it is fed on one thread.
std::unique_ptr<FormatWalker> makeBmpWalker();

} // namespace ostrel::walkers
