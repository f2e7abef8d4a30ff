// The samples of one line of an image element, in the order the line holds
// them, read within the bytes that exist.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dpx/bufio.h"
#include "picture/decode.h"

// Shift of field 0, 1 or 2 of a filled 10-bit word.
int unpack_field_shift(const DECODE_LAYOUT* layout, uint64_t field);

// Where one line's bytes are in the image.
struct UNPACK_LINE {
    const unsigned char* at; // the word holding the line's first sample
    uint64_t available;      // bytes of the line from `at` that the image holds
    uint64_t lead;           // samples of that word that belong to the line before (unpadded lines)
};

// Line `y` of the image; false when none of its bytes are there.
bool unpack_line_span(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size, uint32_t y,
                      UNPACK_LINE* line);

// Samples of the line that its available bytes hold whole.
uint64_t unpack_present_samples(const DECODE_LAYOUT* layout, const UNPACK_LINE* line);

// Pixels, from the line's start, whose samples are all among the first
// `present` samples.
uint32_t unpack_present_pixels(const DECODE_LAYOUT* layout, uint64_t present);

// Samples 0..count-1 of an integer line (count at most the present
// samples) as codes. `avx2`: the processor has AVX2 (filled 10-bit words
// take eight a step), the same codes.
void unpack_line_codes(const DECODE_LAYOUT* layout, const UNPACK_LINE* line, uint64_t count, uint16_t* codes,
                       bool avx2);

// The same for 32- and 64-bit float lines.
void unpack_line_floats(const DECODE_LAYOUT* layout, const UNPACK_LINE* line, uint64_t count, float* values);

// Sample `index` of a line (below the present samples), any depth.
double unpack_sample(const DECODE_LAYOUT* layout, const UNPACK_LINE* line, uint64_t index);

// Code values of pixel (x, y) in file order into codes[0..components-1];
// false when its bytes lie outside the image (or x, y outside the picture).
// The last pixel of an odd-width 4:2:2 line has no Cr in the file: it reads
// as the neutral code (half the range; 0.5 for floats).
bool unpack_pixel(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size, uint32_t x, uint32_t y,
                  double codes[DECODE_MAX_COMPONENTS]);
