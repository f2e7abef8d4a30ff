// Three-component lines of filled 10-bit or packed 10- and 12-bit samples
// straight to 8-bit RGBA, with no line of codes in between: the common
// film-scan layouts, fast enough to redraw a 4K element at once.
#pragma once

#include <cstdint>

// round(code x 255 / (2^bits - 1)) as (code x mul + add) >> shift, exact for
// every code of the depth, in 32-bit arithmetic so that it vectorises.
struct RGBLINE_SCALE {
    uint32_t mul, add;
    int shift;
};

// False for depths without such a form here (other than 10 and 12).
bool rgbline_scale(int bits, RGBLINE_SCALE* scale);

// `count` pixels of one word each; R, G and B from the fields at shifts[0],
// shifts[1] and shifts[2]; alpha 255.
void rgbline_filled10(const unsigned char* line, bool little, const int shifts[3], RGBLINE_SCALE scale,
                      uint32_t count, unsigned char* rgba);

// `count` pixels of three samples each, least significant bit first in
// 32-bit words; R, G and B from samples order[0], order[1] and order[2] of
// the pixel; alpha 255.
void rgbline_packed(const unsigned char* line, bool little, int bits, const int order[3], RGBLINE_SCALE scale,
                    uint32_t count, unsigned char* rgba);
