#pragma once
// Which decoder a found picture needs, told from its first bytes and its
// extension (the extension is the type the search gave the file, from its
// header). Shared by the window, which decides what to decode where, and
// the decoding helper. QtCore only; any thread.

#include <QByteArray>
#include <QString>

enum class PictureKind {
    QtCore,    // JPEG, PNG, GIF, BMP: Qt's own decoders, in the window's process
    QtPlugin,  // TIFF, WebP and whatever else an installed Qt plugin reads
    Heif,      // HEIC, HEIF, AVIF (libheif)
    CameraRaw, // camera raw files (libraw)
    Photoshop, // PSD and PSB (their composite image)
    Unknown,   // not a picture anyone here decodes
};

// `head` is the file's first bytes (at least 32 when the file has them),
// `extension` its extension without the dot, any case.
PictureKind pictureKindOf(const QByteArray& head, const QString& extension);

// The same for a file on disk: reads its first bytes. Unknown when it cannot
// be read.
PictureKind pictureKindOfFile(const QString& path);

// The short name the helper takes on its command line, and back.
const char* pictureKindName(PictureKind kind);
PictureKind pictureKindFromName(const QByteArray& name);
