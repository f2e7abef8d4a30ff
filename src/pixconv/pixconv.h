// Conversion of image element 0 into the 8-bit RGBA preview picture:
// W x H pixels (pixels_per_line x lines_per_image_element), R, G, B, A per
// pixel, rows back to back in the file's line order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dpx/dpx_header.h"
#include "dpx/dpx_layout.h"

// Converts a width x height picture: reads at most `src_size` bytes from
// `src` and writes exactly width x height x 4 bytes to `dst`.
typedef void (*pixconv_func)(const unsigned char* src, size_t src_size, unsigned char* dst, int width,
                             int height);

struct PIXCONV_FORMAT {
    uint8_t descriptor;
    uint8_t bit_depth;
    uint16_t packing;
    uint32_t magic_number;
    pixconv_func func;
};

enum { PIXCONV_FORMAT_COUNT = 19 };
extern const PIXCONV_FORMAT format_table[PIXCONV_FORMAT_COUNT];

// The byte count of the header's preview picture. False when either side is
// larger than DPX_MAX_SIDE: such a picture is never converted.
bool pixconv_rgba_size(const DPX_HEADER* header, size_t* bytes);

// The dispatch row for the header's layout, or null when there is none.
const PIXCONV_FORMAT* pixconv_find(const DPX_HEADER* header);

// Fills `rgba` (pixconv_rgba_size bytes). True when a converter ran; false
// when the fallback colour was written or the picture is too large (then
// nothing is written).
bool pixconv_execute(const DPX_HEADER* header, unsigned char* rgba);

// Lets the converters take their AVX2 paths where the processor has them (the
// default), or keeps them to the plain code, whose bytes the vector paths
// match exactly.
void pixconv_vector_paths(bool allowed);
