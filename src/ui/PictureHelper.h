#pragma once
// Decoding a found picture in the picture helper (ostrel-thumbnailer, see
// ui/thumbnailer/main.cpp) instead of in the window's process: everything
// Qt's own JPEG, PNG, GIF and BMP decoders do not cover goes there, so that
// a hostile file can neither stall nor exhaust the window. The helper gets
// the open file as its standard input and is killed when it takes longer
// than the time allowed.
//
// Any thread (the thumbnail cache's decoding threads call it).

#include "PictureKind.h"

#include <QImage>
#include <QString>

// The helper beside the program (build tree), else where the installation
// put it; empty when neither exists.
QString pictureHelperPath();

// Decodes `path` as `kind` with `helper`, at most `maxSide` pixels a side.
// A null image when the helper is missing, fails, answers nonsense or is
// still running after `timeoutMs` (it is then killed).
QImage decodeInHelper(const QString& helper, const QString& path, PictureKind kind, int maxSide, int timeoutMs = 8000);
