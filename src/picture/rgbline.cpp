#include "picture/rgbline.h"

#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
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

#if defined(__x86_64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Eight pixels a step, in 16-bit lanes. The compiler does not vectorise the
// big-endian swap without SSSE3, so the loop is spelt out: the swap in
// 16-bit shifts and shuffles, the scaling as in `scaled`. Pixels from..count-1.
template <bool Little, bool Stream>
uint32_t filled10_sse2(const unsigned char* line, const int shifts[3], uint32_t x, uint32_t count,
                       unsigned char* rgba)
{
    const __m128i mask = _mm_set1_epi32(0x3FF), factor = _mm_set1_epi16(4084), half = _mm_set1_epi16(8);
    const __m128i alpha = _mm_set1_epi16((short)0xFF00);
    const __m128i f0 = _mm_cvtsi32_si128(shifts[0]), f1 = _mm_cvtsi32_si128(shifts[1]),
                  f2 = _mm_cvtsi32_si128(shifts[2]);
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
        if (Stream) { // written once, read by the texture upload: past the cache
            _mm_stream_si128((__m128i*)(rgba + 4 * (size_t)x), p0);
            _mm_stream_si128((__m128i*)(rgba + 4 * (size_t)x + 16), p1);
        } else {
            _mm_storeu_si128((__m128i*)(rgba + 4 * (size_t)x), p0);
            _mm_storeu_si128((__m128i*)(rgba + 4 * (size_t)x + 16), p1);
        }
    }
    return x;
}

// The same, sixteen pixels a step. Packing and unpacking work within each
// 128-bit half, so the two words' halves come out as pixels in order.
template <bool Little, bool Stream>
__attribute__((target("avx2"))) uint32_t filled10_avx2(const unsigned char* line, const int shifts[3], uint32_t x,
                                                        uint32_t count, unsigned char* rgba)
{
    const __m256i mask = _mm256_set1_epi32(0x3FF), factor = _mm256_set1_epi16(4084), half = _mm256_set1_epi16(8);
    const __m256i alpha = _mm256_set1_epi16((short)0xFF00);
    const __m256i swap =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12));
    const __m128i fields[3] = {_mm_cvtsi32_si128(shifts[0]), _mm_cvtsi32_si128(shifts[1]),
                               _mm_cvtsi32_si128(shifts[2])};
    for (; x + 16 <= count; x += 16) {
        __m256i w0 = _mm256_loadu_si256((const __m256i*)(line + 4 * (size_t)x));
        __m256i w1 = _mm256_loadu_si256((const __m256i*)(line + 4 * (size_t)x + 32));
        if (!Little) {
            w0 = _mm256_shuffle_epi8(w0, swap);
            w1 = _mm256_shuffle_epi8(w1, swap);
        }
        __m256i c[3];
        for (int k = 0; k < 3; k++) {
            __m256i code = _mm256_packs_epi32(_mm256_and_si256(_mm256_srl_epi32(w0, fields[k]), mask),
                                              _mm256_and_si256(_mm256_srl_epi32(w1, fields[k]), mask));
            c[k] = _mm256_srli_epi16(
                _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(code, 6), factor), half), 4);
        }
        __m256i rg = _mm256_or_si256(c[0], _mm256_slli_epi16(c[1], 8)), ba = _mm256_or_si256(c[2], alpha);
        __m256i p0 = _mm256_unpacklo_epi16(rg, ba), p1 = _mm256_unpackhi_epi16(rg, ba);
        if (Stream) {
            _mm256_stream_si256((__m256i*)(rgba + 4 * (size_t)x), p0);
            _mm256_stream_si256((__m256i*)(rgba + 4 * (size_t)x + 32), p1);
        } else {
            _mm256_storeu_si256((__m256i*)(rgba + 4 * (size_t)x), p0);
            _mm256_storeu_si256((__m256i*)(rgba + 4 * (size_t)x + 32), p1);
        }
    }
    return x;
}

template <bool Little>
uint32_t filled10_vector(const unsigned char* line, const int shifts[3], uint32_t x, uint32_t count,
                         unsigned char* rgba, bool avx2)
{
    const bool stream = ((uintptr_t)(rgba + 4 * (size_t)x) & 31) == 0;
    if (avx2)
        return stream ? filled10_avx2<Little, true>(line, shifts, x, count, rgba)
                      : filled10_avx2<Little, false>(line, shifts, x, count, rgba);
    return stream ? filled10_sse2<Little, true>(line, shifts, x, count, rgba)
                  : filled10_sse2<Little, false>(line, shifts, x, count, rgba);
}
#endif

// Pixel x's three samples start at bit 3 x Bits of the line's stream; two
// words from the one holding that bit hold all of them (at most 28 + 36
// bits for 12-bit samples). Group pixels span whole words, so the loop over
// a group unrolls with every shift known when compiling. Pixels from..count-1.
template <int Bits>
void packed_rgb(const uint32_t* words, const int components[3], const uint32_t* levels, uint32_t from,
                uint32_t count, unsigned char* rgba)
{
    constexpr uint32_t group = Bits == 10 ? 16 : 8, mask = (1u << Bits) - 1;
    const int s0 = components[0] * Bits, s1 = components[1] * Bits, s2 = components[2] * Bits;
    auto pixel = [&](uint32_t x) {
        const uint32_t bit = x * 3 * Bits;
        const uint64_t v = (words[bit / 32] | (uint64_t)words[bit / 32 + 1] << 32) >> (bit % 32);
        uint32_t p = levels[v >> s0 & mask] | levels[v >> s1 & mask] << 8 | levels[v >> s2 & mask] << 16 |
                     0xFF000000u;
#if __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
        p = __builtin_bswap32(p);
#endif
        memcpy(rgba + 4 * (size_t)x, &p, 4);
    };
    uint32_t x = from;
    for (; x % group && x < count; x++)
        pixel(x);
    for (; x + group <= count; x += group) {
#pragma GCC unroll 16
        for (uint32_t i = 0; i < group; i++)
            pixel(x + i);
    }
    for (; x < count; x++)
        pixel(x);
}

#if defined(__x86_64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Four pixels a step, one in each 64-bit lane: four pixels take 15 bytes at
// 10 bits and 18 at 12; the upper half loads from pixel 2's first byte (bit
// 60 or 72). Within each half the shuffle puts the eight bytes from a
// pixel's first one in its lane, and the lane's shift takes it to its first
// bit: pixel 1 starts at byte 3 bit 6 or byte 4 bit 4, pixel 3 at byte 4 of
// the upper half, bit 2 or 4. The levels are gathered from the table.
template <int Bits>
__attribute__((target("avx2"))) uint32_t packed_avx2(const uint32_t* words, const int components[3],
                                                     const uint32_t* levels, uint32_t count, unsigned char* rgba)
{
    constexpr int step = 3 * Bits / 2, upper = Bits == 10 ? 7 : 9, second = Bits == 10 ? 3 : 4;
    const unsigned char* bytes = (const unsigned char*)words;
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, second, second + 1, second + 2, second + 3,
                                            second + 4, second + 5, second + 6, second + 7, 0, 1, 2, 3, 4, 5, 6, 7,
                                            4, 5, 6, 7, 8, 9, 10, 11);
    const __m256i first = Bits == 10 ? _mm256_setr_epi64x(0, 6, 4, 2) : _mm256_setr_epi64x(0, 4, 0, 4);
    const __m256i mask = _mm256_set1_epi64x((1 << Bits) - 1);
    const __m128i fields[3] = {_mm_cvtsi32_si128(components[0] * Bits), _mm_cvtsi32_si128(components[1] * Bits),
                               _mm_cvtsi32_si128(components[2] * Bits)};
    const __m128i all = _mm_set1_epi32(-1), none = _mm_setzero_si128(), alpha = _mm_set1_epi32((int)0xFF000000u);
    uint32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const unsigned char* at = bytes + (size_t)x / 4 * step;
        __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128((const __m128i*)at)),
                                            _mm_loadu_si128((const __m128i*)(at + upper)), 1);
        v = _mm256_srlv_epi64(_mm256_shuffle_epi8(v, spread), first);
        __m128i c[3];
        for (int k = 0; k < 3; k++) // the masked gather: g++ 12 warns on the plain one's undefined start value
            c[k] = _mm256_mask_i64gather_epi32(none, (const int*)levels,
                                               _mm256_and_si256(_mm256_srl_epi64(v, fields[k]), mask), all, 4);
        const __m128i px = _mm_or_si128(_mm_or_si128(c[0], _mm_slli_epi32(c[1], 8)),
                                        _mm_or_si128(_mm_slli_epi32(c[2], 16), alpha));
        _mm_storeu_si128((__m128i*)(rgba + 4 * (size_t)x), px);
    }
    return x;
}
#endif

} // namespace

void rgbline_packed(const unsigned char* line, bool little, int bits, const int components[3],
                    const uint32_t* levels, uint32_t count, uint32_t* words, unsigned char* rgba, bool avx2)
{
    const uint64_t n = ((uint64_t)count * 3 * (uint64_t)bits + 31) / 32;
    for (uint64_t i = 0; i < n; i++)
        words[i] = bufio_word32(line + 4 * i, little);
    words[n] = words[n + 1] = 0;
    uint32_t done = 0;
#if defined(__x86_64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (avx2)
        done = bits == 10 ? packed_avx2<10>(words, components, levels, count, rgba)
                          : packed_avx2<12>(words, components, levels, count, rgba);
#else
    (void)avx2;
#endif
    if (bits == 10)
        packed_rgb<10>(words, components, levels, done, count, rgba);
    else
        packed_rgb<12>(words, components, levels, done, count, rgba);
}

bool rgbline_avx2()
{
#if defined(__x86_64__)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

void rgbline_filled10(const unsigned char* line, bool little, const int shifts[3], uint32_t count,
                      unsigned char* rgba, bool avx2)
{
    uint32_t done = 0;
#if defined(__x86_64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // The pixels before a 32-byte boundary one by one, so that the steps
    // stream their stores.
    uint32_t lead = ((uintptr_t)rgba & 3) ? 0 : (uint32_t)((32 - ((uintptr_t)rgba & 31)) & 31) / 4;
    lead = lead < count ? lead : count;
    filled10_scalar(line, little, shifts, 0, lead, rgba);
    done = little ? filled10_vector<true>(line, shifts, lead, count, rgba, avx2)
                  : filled10_vector<false>(line, shifts, lead, count, rgba, avx2);
    _mm_sfence();
#else
    (void)avx2;
#endif
    filled10_scalar(line, little, shifts, done, count, rgba);
}
