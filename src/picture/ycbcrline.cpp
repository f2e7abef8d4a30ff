#include "picture/ycbcrline.h"

#include "picture/level.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

template <typename Out>
constexpr Out top()
{
    return sizeof(Out) == 1 ? 255 : 65535;
}

// Pixels from..count-1, one by one.
template <typename Out>
void pixels(const YCBCR_LINE* p, const uint16_t* s, uint32_t from, uint32_t count, Out* out)
{
    const DECODE_LAYOUT* l = p->layout;
    const double* yt = p->luma;
    const double* ct = p->chroma;
    const double max = p->code_max;
    const uint64_t spp = (uint64_t)l->samples_per_pixel;
    const uint16_t zero = (uint16_t)decode_chroma_zero(l);
    for (uint32_t x = from; x < count; x++) {
        uint64_t y, cb, cr, a;
        if (l->subsampled) { // Cb, Y, Cr, Y or Cb, Y, A, Cr, Y, A
            uint64_t base = (uint64_t)(x / 2) * 2 * spp;
            cb = base;
            cr = base + spp;
            y = base + 1 + (x & 1) * spp;
            a = y + 1;
        } else {
            uint64_t base = (uint64_t)x * l->components;
            cb = base + l->cb;
            cr = base + l->cr;
            y = base + l->luma;
            a = base + l->alpha;
        }
        const double luma = yt[s[y]];
        Out* d = out + 4 * (size_t)x;
        if (p->luma_only) {
            d[0] = d[1] = d[2] = level_from_unit<Out>(luma);
            d[3] = top<Out>();
            continue;
        }
        const double pb = ct[s[cb]], pr = ct[cr < l->line_samples ? s[cr] : zero];
        for (int k = 0; k < 3; k++)
            d[k] = level_from_unit<Out>(p->to_rgb[k][0] * luma + p->to_rgb[k][1] * pb + p->to_rgb[k][2] * pr);
        d[3] = l->alpha < 0 ? top<Out>() : level_from_unit<Out>(s[a] / max);
    }
}

#if defined(__x86_64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// A matrix as both in use have it: Y weighs 1 in every row, Cb nothing in
// R's and Cr nothing in B's. Then 1 x Y is Y, and adding 0 x Cb' or 0 x
// Cr' changes a sum at most from -0 to +0: the terms can be left out.
bool video_matrix(const double m[3][3])
{
    return m[0][0] == 1 && m[1][0] == 1 && m[2][0] == 1 && m[0][1] == 0 && m[2][2] == 0;
}

// v x 255 + 0.5, truncated to 32 bits.
__attribute__((target("avx2"))) inline __m128i level(__m256d v)
{
    return _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(v, _mm256_set1_pd(255.0)), _mm256_set1_pd(0.5)));
}

// Two groups Cb, Y, Cr, Y a step, for a video_matrix: the four lumas
// gathered from their table, each chroma value spread over its two pixels,
// then for each channel the sums of `pixels` in the same order, scaled and
// rounded as level_from_unit does but clamped after: packing to bytes
// saturates. The same bytes: a sum above 1 gives 255.5 or more, one below 0
// at most 0.5, truncated to 0 or less (the conversion's INT_MIN for sums
// below -2^31/255; none reach +2^31/255, the tables' codes and coefficients
// being small). Returns the pixels done.
__attribute__((target("avx2"))) uint32_t groups_avx2(const YCBCR_LINE* p, const uint16_t* s, uint32_t count,
                                                     unsigned char* rgba)
{
    const double* yt = p->luma;
    const double* ct = p->chroma;
    const __m256d zero = _mm256_setzero_pd(), all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    const __m256d r_cr = _mm256_set1_pd(p->to_rgb[0][2]), g_cb = _mm256_set1_pd(p->to_rgb[1][1]),
                  g_cr = _mm256_set1_pd(p->to_rgb[1][2]), b_cb = _mm256_set1_pd(p->to_rgb[2][1]);
    const __m128i alpha = _mm_set1_epi32(255);
    const __m128i interleave = _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15); // to R, G, B, A
    uint32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i codes = _mm_loadu_si128((const __m128i*)(s + 2 * (size_t)x)); // Cb Y Cr Y Cb Y Cr Y
        // The masked gather: g++ 12 warns on the plain one's undefined start value.
        const __m256d luma = _mm256_mask_i32gather_pd(zero, yt, _mm_srli_epi32(codes, 16), all, 8);
        const uint16_t* g = s + 2 * (size_t)x;
        const __m256d pb = _mm256_set_m128d(_mm_set1_pd(ct[g[4]]), _mm_set1_pd(ct[g[0]]));
        const __m256d pr = _mm256_set_m128d(_mm_set1_pd(ct[g[6]]), _mm_set1_pd(ct[g[2]]));
        const __m128i r = level(_mm256_add_pd(luma, _mm256_mul_pd(r_cr, pr)));
        const __m128i gr =
            level(_mm256_add_pd(_mm256_add_pd(luma, _mm256_mul_pd(g_cb, pb)), _mm256_mul_pd(g_cr, pr)));
        const __m128i b = level(_mm256_add_pd(luma, _mm256_mul_pd(b_cb, pb)));
        const __m128i levels = _mm_packus_epi16(_mm_packs_epi32(r, gr), _mm_packs_epi32(b, alpha));
        _mm_storeu_si128((__m128i*)(rgba + 4 * (size_t)x), _mm_shuffle_epi8(levels, interleave));
    }
    return x;
}
#endif

} // namespace

void ycbcrline8(const YCBCR_LINE* line, const uint16_t* codes, uint32_t count, unsigned char* rgba)
{
    uint32_t done = 0;
#if defined(__x86_64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const DECODE_LAYOUT* l = line->layout;
    if (line->avx2 && l->subsampled && l->samples_per_pixel == 2 && !line->luma_only &&
        video_matrix(line->to_rgb))
        done = groups_avx2(line, codes, count, rgba);
#endif
    pixels<uint8_t>(line, codes, done, count, rgba);
}

void ycbcrline16(const YCBCR_LINE* line, const uint16_t* codes, uint32_t count, uint16_t* rgba)
{
    pixels<uint16_t>(line, codes, 0, count, rgba);
}
