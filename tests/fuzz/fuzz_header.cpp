// Any bytes as a file image: the reader either refuses them or fills a
// header whose pointers stay inside the image.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dpx/dpx_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly `size` bytes, so that any over-read hits the redzone.
    unsigned char* image = (unsigned char*)malloc(size ? size : 1);
    memcpy(image, data, size);
    DPX_HEADER h;
    int result = dpx_io_header_read(image, size, &h);
    if (result == DPX_IO_OK) {
        if (h.image_data && (h.image_data < image || h.image_data + h.image_data_size != image + size))
            abort();
        if (h.user_defined_data.user_data &&
            h.user_defined_data.user_data + h.user_data_size != image + size)
            abort();
    } else if (result != DPX_IO_NOT_DPX && result != DPX_IO_TOO_SHORT) {
        abort();
    }
    free(image);
    return 0;
}
