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
    // The converter reads a line as whole groups of `group_pixels` pixels
    // (2 for 4:2:2, else 1) taking `group_bytes` bytes each, lines back to back.
    uint8_t group_pixels;
    uint8_t group_bytes;
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

// The source bytes one line takes as the header's converter reads them; 0
// when there is no converter or the picture is too large.
size_t pixconv_line_bytes(const DPX_HEADER* header);

// Converts lines `first` to first + count - 1 of the picture into their
// place in `rgba` (the whole picture's buffer) from `src`, which holds
// `src_size` bytes from the start of line `first`: the lines from bytes that
// are not there get the fallback colour, as with pixconv_execute. Bytes
// written past the cache are not yet fenced: pixconv_stream_fence on the
// same thread before another reads them.
void pixconv_execute_lines(const DPX_HEADER* header, const unsigned char* src, size_t src_size, int first, int count,
                           unsigned char* rgba);
void pixconv_stream_fence();

// Lets the converters take their AVX2 paths where the processor has them (the
// default), or keeps them to the plain code, whose bytes the vector paths
// match exactly.
void pixconv_vector_paths(bool allowed);
