// The converters' AVX2 paths: when they may run, and the loop they share.
// Each vector path gives the same bytes as the plain code it stands beside.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixconv/pixconv_internal.h"

#if defined(__x86_64__) || defined(__i386__)
#define PIXCONV_AVX2 1
#include <immintrin.h>
#define PIXCONV_TARGET_AVX2 __attribute__((target("avx2")))
#else
#define PIXCONV_AVX2 0
#endif

// True when the processor has AVX2 and the vector paths are allowed
// (pixconv_vector_paths).
bool pixconv_avx2();

#if PIXCONV_AVX2

// 32 bytes to dst: past the cache when dst is on a 32-byte boundary.
PIXCONV_TARGET_AVX2 inline void pixconv_store32(unsigned char* dst, __m256i v)
{
    if (((uintptr_t)dst & 31) == 0)
        _mm256_stream_si256((__m256i*)dst, v);
    else
        _mm256_storeu_si256((__m256i*)dst, v);
}

// The loop of pixconv_each_pixel with a vector step: `Step` converts
// GroupPixels pixels and reads `Reach` bytes from the first one's, so it runs
// only where those bytes exist. The plain `pixel` takes the pixels before dst
// reaches a 32-byte boundary (so the steps stream their stores) and the rest.
template <size_t BytesPerPixel, size_t GroupPixels, size_t Reach, void (*Step)(const unsigned char*, unsigned char*),
          typename Pixel>
PIXCONV_TARGET_AVX2 inline void pixconv_each_pixel_avx2(const unsigned char* src, size_t src_size, unsigned char* dst,
                                                        int width, int height, Pixel pixel)
{
    size_t count = (size_t)width * (size_t)height;
    size_t present = pixconv_present_pixels(src_size, BytesPerPixel, count);
    size_t i = 0;
    if (((uintptr_t)dst & 3) == 0)
        for (; i < present && ((uintptr_t)(dst + i * 4) & 31); i++)
            pixel(src + i * BytesPerPixel, dst + i * 4);
    for (; i + GroupPixels <= present && i * BytesPerPixel + Reach <= src_size; i += GroupPixels)
        Step(src + i * BytesPerPixel, dst + i * 4);
    for (; i < present; i++)
        pixel(src + i * BytesPerPixel, dst + i * 4);
    pixconv_fill_fallback(dst + present * 4, count - present);
}

#endif
