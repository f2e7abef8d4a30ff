// Lines of three components straight to 8-bit RGBA, with no line of codes
// in between: filled 10-bit words, the common film-scan layout, and packed
// 10- and 12-bit samples; fast enough to redraw a 4K element at once.
#pragma once

#include <cstdint>

// True when the processor has AVX2, for the `avx2` arguments below.
bool rgbline_avx2();

// `count` pixels of one word each; R, G and B from the fields at shifts[0],
// shifts[1] and shifts[2], each code scaled to 0..255 with rounding; alpha
// 255. `avx2`: sixteen pixels a step instead of eight, the same bytes.
void rgbline_filled10(const unsigned char* line, bool little, const int shifts[3], uint32_t count,
                      unsigned char* rgba, bool avx2);

// `count` pixels of three packed `bits`-bit samples (10 or 12) from a line
// holding at least count x 3 x bits bits in 32-bit words; R, G and B are
// the components components[0..2], each through levels[code] (0..255);
// alpha 255. `words` takes the line's words in the host's order: room for
// count x 3 x bits / 32 + 2 of them. `avx2`: four pixels a step, the same bytes.
void rgbline_packed(const unsigned char* line, bool little, int bits, const int components[3],
                    const uint32_t* levels, uint32_t count, uint32_t* words, unsigned char* rgba, bool avx2);
