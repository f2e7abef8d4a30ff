// Shared by the converters; not part of the module's interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "dpx/bufio.h"

void pixconv_fill_fallback(unsigned char* dst, size_t pixels);

// Whole pixels of `bytes_per_pixel` that `src_size` bytes hold, at most `count`.
inline size_t pixconv_present_pixels(size_t src_size, size_t bytes_per_pixel, size_t count)
{
    size_t present = src_size / bytes_per_pixel;
    return present < count ? present : count;
}

// Converters whose pixels stand alone: pixel i is `bytes_per_pixel` bytes at
// src + i x bytes_per_pixel, whatever the row, because source and destination
// run on continuously across rows. A width that is not a multiple of a
// converter's group therefore simply ends the row after its last pixel.
// Pixels whose bytes lie past src_size get the fallback colour.
// `group` takes GroupPixels whole pixels at a time where it can and `pixel`
// takes the rest; both must give the same result.
template <size_t BytesPerPixel, size_t GroupPixels, typename Group, typename Pixel>
inline void pixconv_each_pixel_grouped(const unsigned char* src, size_t src_size, unsigned char* dst, int width,
                                       int height, Group group, Pixel pixel)
{
    size_t count = (size_t)width * (size_t)height;
    size_t present = pixconv_present_pixels(src_size, BytesPerPixel, count);
    size_t i = 0;
    for (; i + GroupPixels <= present; i += GroupPixels)
        group(src + i * BytesPerPixel, dst + i * 4);
    for (; i < present; i++)
        pixel(src + i * BytesPerPixel, dst + i * 4);
    pixconv_fill_fallback(dst + present * 4, count - present);
}

template <size_t BytesPerPixel, typename Pixel>
inline void pixconv_each_pixel(const unsigned char* src, size_t src_size, unsigned char* dst, int width,
                               int height, Pixel pixel)
{
    pixconv_each_pixel_grouped<BytesPerPixel, 1>(src, src_size, dst, width, height, pixel, pixel);
}

// One 32-bit store per pixel: bytes R, G, B, A in memory order.
inline void pixconv_put(unsigned char* dst, unsigned r, unsigned g, unsigned b, unsigned a)
{
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint32_t v = (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16 | a << 24;
#else
    uint32_t v = (r & 0xFF) << 24 | (g & 0xFF) << 16 | (b & 0xFF) << 8 | (a & 0xFF);
#endif
    memcpy(dst, &v, 4);
}

// A whole pixel, R in bits 7..0 up to A in bits 31..24, written past the
// cache where the processor can: the preview buffer is written once and read
// by the texture upload, so caching it only costs bandwidth.
inline void pixconv_stream(unsigned char* dst, uint32_t rgba)
{
#if defined(__SSE2__)
    _mm_stream_si32((int*)dst, (int)rgba);
#else
    pixconv_put(dst, rgba, rgba >> 8, rgba >> 16, rgba >> 24);
#endif
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
