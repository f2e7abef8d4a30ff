#include "picture/rgbline.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/unpack.h"

namespace {

// round(code x 255 / 1023) for every 10-bit code: ((code << 6) x 4084 >>
// 16) + 8 >> 4, in 16-bit steps so that it vectorises (found by search,
// checked by the tests against the rounded division).
inline uint32_t scaled(uint32_t code)
{
    return (((code << 6) * 4084 >> 16) + 8) >> 4;
}

void filled10_scalar(const unsigned char* line, bool little, const int shifts[3], uint32_t from, uint32_t count,
                     unsigned char* rgba)
{
    for (uint32_t x = from; x < count; x++) {
        uint32_t w = bufio_word32(line + 4 * (size_t)x, little);
        uint32_t v = scaled(w >> shifts[0] & 0x3FF) | scaled(w >> shifts[1] & 0x3FF) << 8 |
                     scaled(w >> shifts[2] & 0x3FF) << 16 | 0xFF000000u;
#if __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
        v = __builtin_bswap32(v);
#endif
        memcpy(rgba + 4 * (size_t)x, &v, 4);
    }
}

#if defined(__SSE2__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Eight pixels a step, in 16-bit lanes. The compiler does not vectorise the
// big-endian swap without SSSE3, so the loop is spelt out: the swap in
// 16-bit shifts and shuffles, the scaling as in `scaled`.
template <bool Little, bool Aligned>
uint32_t filled10_sse2(const unsigned char* line, const int shifts[3], uint32_t count, unsigned char* rgba)
{
    const __m128i mask = _mm_set1_epi32(0x3FF), factor = _mm_set1_epi16(4084), half = _mm_set1_epi16(8);
    const __m128i alpha = _mm_set1_epi16((short)0xFF00);
    const __m128i f0 = _mm_cvtsi32_si128(shifts[0]), f1 = _mm_cvtsi32_si128(shifts[1]),
                  f2 = _mm_cvtsi32_si128(shifts[2]);
    uint32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        __m128i w0 = _mm_loadu_si128((const __m128i*)(line + 4 * (size_t)x));
        __m128i w1 = _mm_loadu_si128((const __m128i*)(line + 4 * (size_t)x + 16));
        if (!Little) {
            w0 = _mm_or_si128(_mm_slli_epi16(w0, 8), _mm_srli_epi16(w0, 8));
            w0 = _mm_shufflehi_epi16(_mm_shufflelo_epi16(w0, 0xB1), 0xB1);
            w1 = _mm_or_si128(_mm_slli_epi16(w1, 8), _mm_srli_epi16(w1, 8));
            w1 = _mm_shufflehi_epi16(_mm_shufflelo_epi16(w1, 0xB1), 0xB1);
        }
        __m128i c[3];
        const __m128i* fields[3] = {&f0, &f1, &f2};
        for (int k = 0; k < 3; k++) {
            __m128i code = _mm_packs_epi32(_mm_and_si128(_mm_srl_epi32(w0, *fields[k]), mask),
                                           _mm_and_si128(_mm_srl_epi32(w1, *fields[k]), mask));
            c[k] = _mm_srli_epi16(_mm_add_epi16(_mm_mulhi_epu16(_mm_slli_epi16(code, 6), factor), half), 4);
        }
        __m128i rg = _mm_or_si128(c[0], _mm_slli_epi16(c[1], 8)), ba = _mm_or_si128(c[2], alpha);
        __m128i p0 = _mm_unpacklo_epi16(rg, ba), p1 = _mm_unpackhi_epi16(rg, ba);
        if (Aligned) { // written once, read by the texture upload: past the cache
            _mm_stream_si128((__m128i*)(rgba + 4 * (size_t)x), p0);
            _mm_stream_si128((__m128i*)(rgba + 4 * (size_t)x + 16), p1);
        } else {
            _mm_storeu_si128((__m128i*)(rgba + 4 * (size_t)x), p0);
            _mm_storeu_si128((__m128i*)(rgba + 4 * (size_t)x + 16), p1);
        }
    }
    if (Aligned)
        _mm_sfence();
    return x;
}
#endif

} // namespace

void rgbline_filled10(const unsigned char* line, bool little, const int shifts[3], uint32_t count,
                      unsigned char* rgba)
{
    uint32_t done = 0;
#if defined(__SSE2__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (((uintptr_t)rgba & 15) == 0)
        done = little ? filled10_sse2<true, true>(line, shifts, count, rgba)
                      : filled10_sse2<false, true>(line, shifts, count, rgba);
    else
        done = little ? filled10_sse2<true, false>(line, shifts, count, rgba)
                      : filled10_sse2<false, false>(line, shifts, count, rgba);
#endif
    filled10_scalar(line, little, shifts, done, count, rgba);
}
