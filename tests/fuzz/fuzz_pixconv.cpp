// Any header and image data through the preview conversion: it writes exactly
// the picture's bytes and reads only the image.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dpx/dpx_io.h"
#include "pixconv/pixconv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned char* image = (unsigned char*)malloc(size ? size : 1);
    memcpy(image, data, size);
    DPX_HEADER h;
    if (dpx_io_header_read(image, size, &h) == DPX_IO_OK) {
        size_t bytes = 0;
        // Pictures beyond 16 MiB are legal but would only slow the search.
        if (pixconv_rgba_size(&h, &bytes) && bytes > 0 && bytes <= (16u << 20)) {
            unsigned char* rgba = (unsigned char*)malloc(bytes);
            pixconv_execute(&h, rgba);
            free(rgba);
        }
    }
    free(image);
    return 0;
}
