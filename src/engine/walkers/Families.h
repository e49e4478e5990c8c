#pragma once
// The walker families. Each returns its walker for an upper-case extension
// without the dot, or null when the extension is not one of its types, and
// lists the types it serves.

#include "engine/walkers/FormatWalker.h"

namespace ostrel::walkers {

// JPEG, PNG/MNG, GIF, BMP.
std::unique_ptr<FormatWalker> makeImageWalker(std::string_view type);
std::vector<std::string> imageWalkerTypes();

// TIFF and the TIFF-based and other camera raws, PSD/PSB, ISO-BMFF (MP4, MOV,
// HEIC, AVIF, CR3 ...).
std::unique_ptr<FormatWalker> makeCameraWalker(std::string_view type);
std::vector<std::string> cameraWalkerTypes();

// ZIP family, PDF, OLE compound files, 7Z, RAR, GZIP, XZ, BZIP2, SQLite, RTF
// and the other documents and archives.
std::unique_ptr<FormatWalker> makeDocumentWalker(std::string_view type);
std::vector<std::string> documentWalkerTypes();

// RIFF (WAV, AVI, WEBP), AIFF, EBML, ASF, FLV, OGG, FLAC, MP3, AAC, MPEG-PS,
// MPEG-TS, MIDI, CAF, AMR and the other audio and video containers.
std::unique_ptr<FormatWalker> makeMediaWalker(std::string_view type);
std::vector<std::string> mediaWalkerTypes();

} // namespace ostrel::walkers
