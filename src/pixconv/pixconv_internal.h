// Shared by the converters; not part of the module's interface.
#pragma once

#include <cstddef>
#include <cstring>

#include "pixconv/pixconv.h"

void pixconv_fill_fallback(unsigned char* dst, size_t pixels);

// Converters whose pixels stand alone: pixel i is `bytes_per_pixel` bytes at
// src + i x bytes_per_pixel, whatever the row, because source and destination
// run on continuously across rows. A width that is not a multiple of a
// converter's group therefore simply ends the row after its last pixel.
// Pixels whose bytes lie past src_size get the fallback colour.
template <size_t BytesPerPixel, typename Pixel>
inline void pixconv_each_pixel(const unsigned char* src, size_t src_size, unsigned char* dst, int width,
                               int height, Pixel pixel)
{
    size_t count = (size_t)width * (size_t)height;
    size_t present = src_size / BytesPerPixel;
    if (present > count)
        present = count;
    for (size_t i = 0; i < present; i++)
        pixel(src + i * BytesPerPixel, dst + i * 4);
    pixconv_fill_fallback(dst + present * 4, count - present);
}

inline void pixconv_put(unsigned char* dst, unsigned r, unsigned g, unsigned b, unsigned a)
{
    dst[0] = (unsigned char)r;
    dst[1] = (unsigned char)g;
    dst[2] = (unsigned char)b;
    dst[3] = (unsigned char)a;
}

#define PIXCONV_DECLARE(name)                                                                      \
    void name(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)

PIXCONV_DECLARE(pixconv_d004_b08_p0_le);
PIXCONV_DECLARE(pixconv_d006_b08_p1_be);
PIXCONV_DECLARE(pixconv_d050_b08_p0_le);
PIXCONV_DECLARE(pixconv_d050_b08_p0_be);
PIXCONV_DECLARE(pixconv_d050_b16_p0_le);
PIXCONV_DECLARE(pixconv_d050_b16_p0_be);
PIXCONV_DECLARE(pixconv_d050_b08_p1_le);
PIXCONV_DECLARE(pixconv_d050_b08_p1_be);
PIXCONV_DECLARE(pixconv_d050_b10_p1_le);
PIXCONV_DECLARE(pixconv_d050_b10_p1_be);
PIXCONV_DECLARE(pixconv_d050_b12_p1_le);
PIXCONV_DECLARE(pixconv_d050_b12_p1_be);
PIXCONV_DECLARE(pixconv_d050_b16_p1_le);
PIXCONV_DECLARE(pixconv_d050_b16_p1_be);
PIXCONV_DECLARE(pixconv_d051_b08_p0_be);
PIXCONV_DECLARE(pixconv_d100_b08_p1_le);
PIXCONV_DECLARE(pixconv_d100_b16_p0_le);
PIXCONV_DECLARE(pixconv_d102_b08_p1_le);
PIXCONV_DECLARE(pixconv_d102_b16_p0_le);
