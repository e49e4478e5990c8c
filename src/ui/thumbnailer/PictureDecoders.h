#pragma once
// The decoders of the picture helper. Each takes the whole file in memory
// (`data`, `size` bytes, owned by the caller) and returns the picture with
// its orientation applied, no side above `maxSide` pixels, or a null image
// when it cannot decode it. They trust nothing in the data: every length
// and offset is checked, and what a decoder library allocates is bounded by
// the helper's memory limit. Single thread.

#include <QImage>

#include <cstddef>

// HEIC, HEIF and AVIF through libheif: the embedded thumbnail when it is
// big enough, else the primary image.
QImage decodeHeif(const unsigned char* data, size_t size, int maxSide);

// Camera raw files through libraw: the embedded preview (fast), else a
// half-size decode of the raw data.
QImage decodeCameraRaw(const unsigned char* data, size_t size, int maxSide);

// PSD and PSB: the composite image stored after the layers (8 or 16 bits;
// RGB, grey, CMYK or indexed colour; raw or PackBits), read one sampled
// row at a time so memory stays at a few rows whatever the canvas size.
QImage decodePhotoshop(const unsigned char* data, size_t size, int maxSide);

// Anything an installed Qt image plugin reads (TIFF, WebP, ...), with Qt's
// allocation limit.
QImage decodeWithQt(const unsigned char* data, size_t size, int maxSide);

// Scales down (never up) so that neither side exceeds maxSide.
QImage fitWithin(const QImage& image, int maxSide);
