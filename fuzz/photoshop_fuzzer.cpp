// libFuzzer target: the PSD/PSB composite reader of the picture helper, on
// arbitrary bytes. Whatever the input, it must return (a picture or none)
// without reading outside the buffer or allocating from sizes in the data.
#include "PictureDecoders.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QImage image = decodePhotoshop(data, size, 100);
    if (!image.isNull() && (image.width() > 100 || image.height() > 100))
        __builtin_trap();
    return 0;
}
