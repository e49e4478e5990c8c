// Camera raw files through libraw: the preview the camera embedded (a JPEG
// or a bitmap, shown as the camera oriented it), else the raw data
// demosaiced at half size, which is four times less work than full size.

#include "PictureDecoders.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QTransform>

#include <libraw/libraw.h>

#include <climits>
#include <memory>

namespace {
struct ProcessedImage {
    void operator()(libraw_processed_image_t* p) const { LibRaw::dcraw_clear_mem(p); }
};
using Processed = std::unique_ptr<libraw_processed_image_t, ProcessedImage>;

// libraw's flip: 0 none, 3 half turn, 5 quarter turn left, 6 quarter turn right.
QImage oriented(const QImage& image, int flip)
{
    QTransform turn;
    switch (flip) {
    case 3: turn.rotate(180); break;
    case 5: turn.rotate(-90); break;
    case 6: turn.rotate(90); break;
    default: return image;
    }
    return image.transformed(turn);
}

QImage fromProcessed(const libraw_processed_image_t* p, int maxSide)
{
    if (!p)
        return QImage();
    if (p->type == LIBRAW_IMAGE_JPEG) {
        QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(p->data), static_cast<qsizetype>(p->data_size));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        reader.setAllocationLimit(256);
        // The raw file's own orientation is applied below, not the JPEG's.
        reader.setAutoTransform(false);
        const QSize full = reader.size();
        if (full.isValid() && (full.width() > maxSide || full.height() > maxSide))
            reader.setScaledSize(full.scaled(maxSide, maxSide, Qt::KeepAspectRatio));
        return reader.read();
    }
    // Bitmaps come as 8-bit RGB (the half-size decode asks for 8 bits).
    if (p->type != LIBRAW_IMAGE_BITMAP || p->colors != 3 || p->bits != 8 || p->width == 0 || p->height == 0)
        return QImage();
    const qint64 rowBytes = qint64(p->width) * 3;
    if (rowBytes > INT_MAX || qint64(p->data_size) < rowBytes * p->height)
        return QImage();
    // The QImage borrows libraw's buffer: copy before it is freed.
    return fitWithin(QImage(p->data, p->width, p->height, static_cast<qsizetype>(rowBytes), QImage::Format_RGB888), maxSide)
        .copy();
}
} // namespace

QImage decodeCameraRaw(const unsigned char* data, size_t size, int maxSide)
{
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    if (raw->open_buffer(const_cast<unsigned char*>(data), size) != LIBRAW_SUCCESS)
        return QImage();
    const int flip = raw->imgdata.sizes.flip;
    int err = 0;
    if (raw->unpack_thumb() == LIBRAW_SUCCESS) {
        Processed thumb(raw->dcraw_make_mem_thumb(&err));
        const QImage preview = fitWithin(fromProcessed(thumb.get(), maxSide), maxSide);
        if (!preview.isNull())
            return oriented(preview, flip);
    }
    raw->imgdata.params.half_size = 1;
    raw->imgdata.params.use_camera_wb = 1;
    raw->imgdata.params.output_bps = 8;
    if (raw->unpack() != LIBRAW_SUCCESS || raw->dcraw_process() != LIBRAW_SUCCESS)
        return QImage();
    // The processed image is already turned the way the camera was held.
    Processed image(raw->dcraw_make_mem_image(&err));
    return fromProcessed(image.get(), maxSide);
}
