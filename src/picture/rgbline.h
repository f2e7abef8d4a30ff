// Lines of filled 10-bit words of three components straight to 8-bit RGBA,
// with no line of codes in between: the common film-scan layout, fast
// enough to redraw a 4K element at once.
#pragma once

#include <cstdint>

// True when the processor has AVX2, for the `avx2` arguments below.
bool rgbline_avx2();

// `count` pixels of one word each; R, G and B from the fields at shifts[0],
// shifts[1] and shifts[2], each code scaled to 0..255 with rounding; alpha
// 255. `avx2`: sixteen pixels a step instead of eight, the same bytes.
void rgbline_filled10(const unsigned char* line, bool little, const int shifts[3], uint32_t count,
                      unsigned char* rgba, bool avx2);
