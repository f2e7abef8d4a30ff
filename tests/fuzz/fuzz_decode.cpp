// Any file image through the Picture decoder, every element: a layout is
// refused with a reason or decodes, transforms and reads pixels within the
// image; the transform counts no more pixels missing than the picture has.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dpx/dpx_io.h"
#include "picture/decode.h"
#include "picture/export.h"
#include "picture/transform.h"
#include "picture/unpack.h"

namespace {

// Pictures beyond this are legal but would only slow the search.
const uint64_t max_pixels = 1u << 20;

void element(const DPX_HEADER* h, int e, const unsigned char* image, size_t size, unsigned choice)
{
    DECODE_LAYOUT l;
    char reason[DECODE_REASON_SIZE];
    memset(reason, 0x7F, sizeof reason);
    if (!decode_layout(h, e, &l, reason)) {
        if (strnlen(reason, sizeof reason) == 0 || strnlen(reason, sizeof reason) == sizeof reason)
            abort();
        return;
    }
    const uint64_t pixels = (uint64_t)l.width * l.height;
    if (pixels > max_pixels)
        return;
    const TRANSFORM_VIEW views[4] = {{TRANSFORM_COLOUR, 0},
                                     {TRANSFORM_COMPONENT, (int)(choice % 9)},
                                     {TRANSFORM_ALPHA, 0},
                                     {TRANSFORM_LUMA, 0}};
    unsigned char* rgba = (unsigned char*)malloc(pixels * 4);
    uint64_t missing = 0;
    transform_picture(&l, image, size, views[choice % 4], rgba, &missing);
    if (missing > pixels)
        abort();
    free(rgba);

    double codes[DECODE_MAX_COMPONENTS];
    const uint32_t xs[3] = {0, l.width / 2, l.width - 1}, ys[3] = {0, l.height / 2, l.height - 1};
    for (uint32_t y : ys)
        for (uint32_t x : xs)
            unpack_pixel(&l, image, size, x, y, codes);
    if (unpack_pixel(&l, image, size, l.width, 0, codes) || unpack_pixel(&l, image, size, 0, l.height, codes))
        abort();

    if (choice % 8 == 0) {
        EXPORT_PICTURE shape;
        export_shape(&l, l.orientation, &shape);
        unsigned char* out = (unsigned char*)malloc(shape.bytes);
        export_picture(&l, image, size, &shape, out, &missing);
        if (missing > pixels)
            abort();
        free(out);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly `size` bytes, so that any over-read hits the redzone.
    unsigned char* image = (unsigned char*)malloc(size ? size : 1);
    memcpy(image, data, size);
    DPX_HEADER h;
    if (dpx_io_header_read(image, size, &h) == DPX_IO_OK) {
        for (int e = 0; e < DPX_IMAGE_ELEMENT_COUNT; e++)
            element(&h, e, image, size, (unsigned)(size + e));
    }
    free(image);
    return 0;
}
