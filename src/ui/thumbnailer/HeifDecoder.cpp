// HEIC, HEIF and AVIF through libheif (HEVC through libde265, AV1 through
// dav1d or libaom, as Debian builds it).

#include "PictureDecoders.h"

#include <libheif/heif.h>

#include <memory>

namespace {
// Canvas sides libheif may accept; larger files are refused before decoding.
constexpr int kMaxCanvasSide = 16384;

template <typename T, void (*Release)(T*)>
struct Releaser {
    void operator()(T* p) const
    {
        if (p)
            Release(p);
    }
};
using Context = std::unique_ptr<heif_context, Releaser<heif_context, heif_context_free>>;
using Handle = std::unique_ptr<heif_image_handle, Releaser<const heif_image_handle, heif_image_handle_release>>;
using Image = std::unique_ptr<heif_image, Releaser<const heif_image, heif_image_release>>;

QImage toQImage(heif_image_handle* handle, int maxSide)
{
    heif_image* raw = nullptr;
    const heif_error err =
        heif_decode_image(handle, &raw, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr);
    Image image(raw);
    if (err.code != heif_error_Ok || !image)
        return QImage();
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!pixels || width <= 0 || height <= 0 || stride < width * 4)
        return QImage();
    // The QImage only borrows the plane: scale (or copy) before it goes.
    const QImage view(pixels, width, height, stride, QImage::Format_RGBA8888);
    const QImage fitted = fitWithin(view, maxSide);
    return fitted.constBits() == view.constBits() ? fitted.copy() : fitted;
}
} // namespace

QImage decodeHeif(const unsigned char* data, size_t size, int maxSide)
{
    Context context(heif_context_alloc());
    if (!context)
        return QImage();
    heif_context_set_maximum_image_size_limit(context.get(), kMaxCanvasSide);
    if (heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr).code != heif_error_Ok)
        return QImage();
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return QImage();
    Handle primary(rawHandle);
    // Phones store a small thumbnail beside the full picture; it is enough
    // when it is at least as big as asked for.
    heif_item_id thumbnailId = 0;
    if (heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), &thumbnailId, 1) == 1) {
        heif_image_handle* rawThumb = nullptr;
        if (heif_image_handle_get_thumbnail(primary.get(), thumbnailId, &rawThumb).code == heif_error_Ok) {
            Handle thumbnail(rawThumb);
            if (std::max(heif_image_handle_get_width(thumbnail.get()), heif_image_handle_get_height(thumbnail.get())) >=
                maxSide) {
                const QImage small = toQImage(thumbnail.get(), maxSide);
                if (!small.isNull())
                    return small;
            }
        }
    }
    return toQImage(primary.get(), maxSide);
}
