// Pictures read by Qt's own image plugins, and the final scaling every
// decoder shares.

#include "PictureDecoders.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <climits>

namespace {
// Qt refuses to allocate more than this for one decoded picture.
constexpr int kAllocationLimitMiB = 256;
} // namespace

QImage fitWithin(const QImage& image, int maxSide)
{
    if (image.isNull() || (image.width() <= maxSide && image.height() <= maxSide))
        return image;
    return image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage decodeWithQt(const unsigned char* data, size_t size, int maxSide)
{
    if (size > static_cast<size_t>(INT_MAX))
        return QImage();
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kAllocationLimitMiB);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    // Decoders that can (JPEG in TIFF, WebP) skip most of the work.
    if (full.isValid() && (full.width() > maxSide || full.height() > maxSide))
        reader.setScaledSize(full.scaled(maxSide, maxSide, Qt::KeepAspectRatio));
    return fitWithin(reader.read(), maxSide);
}
