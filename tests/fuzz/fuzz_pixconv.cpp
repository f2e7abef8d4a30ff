// Any header and image data through the preview conversion, whole and read a
// band at a time: it writes exactly the picture's bytes, reads only the
// image, and both ways give the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dpx/dpx_io.h"
#include "pixconv/pixconv.h"
#include "pixconv/pixconv_read.h"
#include "support/memory_source.h"

namespace {

PIXCONV_READ job;

} // namespace

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
            unsigned char* banded = (unsigned char*)malloc(bytes);
            pixconv_execute(&h, rgba);
            memory_source source{h.image_data, h.image_data ? h.image_data_size : 0};
            pixconv_read_start(&job, &h, memory_read, &source, banded);
            pixconv_read_finish(&job);
            pixconv_read_end(&job);
            if (memcmp(rgba, banded, bytes) != 0)
                abort();
            free(banded);
            free(rgba);
        }
    }
    free(image);
    return 0;
}
