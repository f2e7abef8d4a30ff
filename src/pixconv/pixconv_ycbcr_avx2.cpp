// The YCbCr converters' AVX2 paths. 8 bits: Y plus the integer parts of the
// chroma's pairs, saturated; 16 bits: the formula in double lanes.
#include "mtxcoe/mtxcoe.h"
#include "pixconv/pixconv_ycbcr.h"

#if PIXCONV_AVX2

namespace {

// Eight pixels from their Y bytes, each repeated four times, and the bytes
// their pairs add and take away.
PIXCONV_TARGET_AVX2 void pairs_store(__m256i y, __m256i add, __m256i sub, unsigned char* d)
{
    pixconv_store32(d, _mm256_subs_epu8(_mm256_adds_epu8(y, add), sub));
}

// Whether any of four entries needs the formula: its flag is the top bit.
PIXCONV_TARGET_AVX2 bool pairs_formula(__m256i e)
{
    return _mm256_movemask_pd(_mm256_castsi256_pd(e)) != 0;
}

// Four 4:2:2 groups, Cb Y0 Cr Y1 each: the pair's index is Cb + 256 Cr.
PIXCONV_TARGET_AVX2 void step422_8(const unsigned char* s, unsigned char* d)
{
    __m128i raw = _mm_loadu_si128((const __m128i*)s);
    __m128i index = _mm_or_si128(_mm_and_si128(raw, _mm_set1_epi32(0xFF)),
                                 _mm_and_si128(_mm_srli_epi32(raw, 8), _mm_set1_epi32(0xFF00)));
    __m256i e = _mm256_i32gather_epi64((const long long*)pixconv_ycbcr_pair_table, index, 8);
    if (pairs_formula(e)) {
        for (int g = 0; g < 4; g++)
            pixconv_ycbcr_group8(s + 4 * g, d + 8 * g, 2);
        return;
    }
    __m256i y = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(raw),
                                    _mm256_setr_epi8(1, 1, 1, 1, 3, 3, 3, 3, 5, 5, 5, 5, 7, 7, 7, 7, //
                                                     9, 9, 9, 9, 11, 11, 11, 11, 13, 13, 13, 13, 15, 15, 15, 15));
    pairs_store(y, _mm256_permutevar8x32_epi32(e, _mm256_setr_epi32(0, 0, 2, 2, 4, 4, 6, 6)),
                _mm256_permutevar8x32_epi32(e, _mm256_setr_epi32(1, 1, 3, 3, 5, 5, 7, 7)), d);
}

// Eight 4:4:4 pixels, Cb Y Cr each, four from each 16-byte half.
PIXCONV_TARGET_AVX2 void step444_8(const unsigned char* s, unsigned char* d)
{
    __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128((const __m128i*)s)),
                                        _mm_loadu_si128((const __m128i*)(s + 12)), 1);
    __m256i index = _mm256_shuffle_epi8(
        v, _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 2, -1, -1, 3, 5, -1, -1, 6, 8, -1, -1, 9, 11, -1, -1)));
    const long long* pairs = (const long long*)pixconv_ycbcr_pair_table;
    __m256i lo = _mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(index), 8);
    __m256i hi = _mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(index, 1), 8);
    if (pairs_formula(_mm256_or_si256(lo, hi))) {
        for (int p = 0; p < 8; p++)
            pixconv_ycbcr_pixel8(s + 3 * p, d + 4 * p);
        return;
    }
    __m256i y = _mm256_shuffle_epi8(
        v, _mm256_broadcastsi128_si256(_mm_setr_epi8(1, 1, 1, 1, 4, 4, 4, 4, 7, 7, 7, 7, 10, 10, 10, 10)));
    // Even and odd 32-bit elements of entries 0, 1, 4, 5 then 2, 3, 6, 7, put in order.
    __m256 l = _mm256_castsi256_ps(lo), h = _mm256_castsi256_ps(hi);
    pairs_store(y, _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(l, h, 0x88)), 0xD8),
                _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(l, h, 0xDD)), 0xD8), d);
}

// 16 bits: the formula itself, four pixels a step in double lanes; the
// same products and sums in the same order give the same doubles.
PIXCONV_TARGET_AVX2 __m128i formula16(__m128i y, __m128i cb, __m128i cr)
{
    const double* m = mtxcoe_smpte_274m->to_gbr;
    __m256d yd = _mm256_cvtepi32_pd(y);
    __m256d cbd = _mm256_cvtepi32_pd(_mm_sub_epi32(cb, _mm_set1_epi32(32768)));
    __m256d crd = _mm256_cvtepi32_pd(_mm_sub_epi32(cr, _mm_set1_epi32(32768)));
    __m128i c[3];
    for (int k = 0; k < 3; k++) {
        const double* row = m + 3 * k;
        __m256d v = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(row[0]), yd),
                                                _mm256_mul_pd(_mm256_set1_pd(row[1]), cbd)),
                                  _mm256_mul_pd(_mm256_set1_pd(row[2]), crd));
        __m128i i = _mm_min_epi32(_mm_max_epi32(_mm256_cvttpd_epi32(v), _mm_setzero_si128()), _mm_set1_epi32(65535));
        c[k] = _mm_srli_epi32(i, 8);
    }
    // G, B, R to R, G, B, A.
    return _mm_or_si128(_mm_or_si128(c[2], _mm_slli_epi32(c[0], 8)),
                        _mm_or_si128(_mm_slli_epi32(c[1], 16), _mm_set1_epi32((int)0xFF000000u)));
}

// The 16-bit words at bytes a, b, c and d of v as four 32-bit lanes; -1 gives 0.
PIXCONV_TARGET_AVX2 __m128i pick(__m128i v, char a, char b, char c, char d)
{
    const char z = -1;
    return _mm_shuffle_epi8(v, _mm_setr_epi8(a, a < 0 ? z : a + 1, z, z, b, b < 0 ? z : b + 1, z, z, //
                                             c, c < 0 ? z : c + 1, z, z, d, d < 0 ? z : d + 1, z, z));
}

// Two 16-byte runs of two 4:2:2 groups each.
PIXCONV_TARGET_AVX2 void step422_16(const unsigned char* s, unsigned char* d)
{
    __m128i out[2];
    for (int h = 0; h < 2; h++) {
        __m128i v = _mm_loadu_si128((const __m128i*)(s + 16 * h));
        out[h] = formula16(pick(v, 2, 6, 10, 14), pick(v, 0, 0, 8, 8), pick(v, 4, 4, 12, 12));
    }
    pixconv_store32(d, _mm256_inserti128_si256(_mm256_castsi128_si256(out[0]), out[1], 1));
}

// Two runs of four 4:4:4 pixels, 24 bytes each, read as bytes 0..15 and 8..23.
PIXCONV_TARGET_AVX2 void step444_16(const unsigned char* s, unsigned char* d)
{
    __m128i out[2];
    for (int h = 0; h < 2; h++) {
        __m128i v = _mm_loadu_si128((const __m128i*)(s + 24 * h));
        __m128i w = _mm_loadu_si128((const __m128i*)(s + 24 * h + 8));
        __m128i cb = _mm_or_si128(pick(v, 0, 6, 12, -1), pick(w, -1, -1, -1, 10));
        __m128i y = _mm_or_si128(pick(v, 2, 8, 14, -1), pick(w, -1, -1, -1, 12));
        __m128i cr = _mm_or_si128(pick(v, 4, 10, -1, -1), pick(w, -1, -1, 8, 14));
        out[h] = formula16(y, cb, cr);
    }
    pixconv_store32(d, _mm256_inserti128_si256(_mm256_castsi128_si256(out[0]), out[1], 1));
}

} // namespace

template <int GroupBytes>
PIXCONV_TARGET_AVX2 void pixconv_ycbcr422_avx2(const unsigned char* src, size_t src_size, unsigned char* dst,
                                               int width, int height)
{
    if (GroupBytes == 4)
        pixconv_ycbcr_pairs();
    size_t per_row = ((size_t)width + 1) / 2, whole = (size_t)width / 2, present = src_size / GroupBytes;
    for (size_t row = 0; row < (size_t)height; row++) {
        size_t first = row * per_row, here = present > first ? present - first : 0, j = 0;
        const unsigned char* s = here ? src + first * GroupBytes : src; // src is null when there is no image
        unsigned char* d = dst + row * width * 4;
        // Single groups until the steps can stream their stores.
        if (((uintptr_t)d & 7) == 0)
            for (; j < whole && ((uintptr_t)(d + 8 * j) & 31); j++)
                pixconv_ycbcr_groups(s, here, d, width, GroupBytes, j, j + 1);
        for (; j + 4 <= whole && j + 4 <= here; j += 4) {
            if (GroupBytes == 4)
                step422_8(s + GroupBytes * j, d + 8 * j);
            else
                step422_16(s + GroupBytes * j, d + 8 * j);
        }
        pixconv_ycbcr_groups(s, here, d, width, GroupBytes, j, per_row);
    }
}

template void pixconv_ycbcr422_avx2<4>(const unsigned char*, size_t, unsigned char*, int, int);
template void pixconv_ycbcr422_avx2<8>(const unsigned char*, size_t, unsigned char*, int, int);

PIXCONV_TARGET_AVX2 void pixconv_ycbcr444_8_avx2(const unsigned char* src, size_t src_size, unsigned char* dst,
                                                 int width, int height)
{
    pixconv_ycbcr_pairs();
    pixconv_each_pixel_avx2<3, 8, 28, step444_8>(src, src_size, dst, width, height, pixconv_ycbcr_pixel8);
}

PIXCONV_TARGET_AVX2 void pixconv_ycbcr444_16_avx2(const unsigned char* src, size_t src_size, unsigned char* dst,
                                                  int width, int height)
{
    pixconv_each_pixel_avx2<6, 8, 48, step444_16>(src, src_size, dst, width, height, pixconv_ycbcr_pixel16);
}

#endif
