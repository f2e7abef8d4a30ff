// YCbCr converters: the "SMPTE 274M" matrix in double precision, whatever
// the element's colorimetric code says. Y enters unchanged (no black offset,
// no range expansion); results are truncated toward zero, then clamped.
#include <cmath>

#include "mtxcoe/mtxcoe.h"
#include "pixconv/pixconv.h"
#include "pixconv/pixconv_internal.h"
#include "pixconv/pixconv_vector.h"

namespace {

struct ycbcr_depth {
    int zero; // chroma zero
    int top;  // clamp ceiling
    int shift; // to 8 bits, after the matrix
};

const ycbcr_depth depth8 = {128, 255, 0};
const ycbcr_depth depth16 = {32768, 65535, 8};

unsigned ycbcr_component(const double* m, int y, double cb, double cr, const ycbcr_depth& depth)
{
    double v = (m[0] * y + m[1] * cb) + m[2] * cr;
    int i = (int)v;
    if (i < 0)
        i = 0;
    if (i > depth.top)
        i = depth.top;
    return (unsigned)i >> depth.shift;
}

void ycbcr_pixel(int y, int cb, int cr, const ycbcr_depth& depth, unsigned char* d)
{
    const MTXCOE& m = *mtxcoe_smpte_274m;
    double cbd = (double)(cb - depth.zero);
    double crd = (double)(cr - depth.zero);
    unsigned g = ycbcr_component(&m.to_gbr[0], y, cbd, crd, depth);
    unsigned b = ycbcr_component(&m.to_gbr[3], y, cbd, crd, depth);
    unsigned r = ycbcr_component(&m.to_gbr[6], y, cbd, crd, depth);
    pixconv_put(d, r, g, b, 255);
}

// 8 bits. Y has the weight 1 in every row, so a component is Y plus the
// chroma's part C = m1 Cb' + m2 Cr', and its integer part is Y plus that of C
// whatever Y is, unless C lies so near an integer that the rounding of the
// two double sums could carry it across. One entry per Cb and Cr holds the
// integer part of C for R, G and B as what to add (bytes 0..2, then 255 for
// A) and what to take away (bytes 4..6), each saturating; byte 7 is 1 where
// the pair is left to the formula. Parts beyond 255 either way clamp alike.
const uint64_t formula_flag = 0x0100000000000000u;

uint64_t pair_entry(const MTXCOE& m, int cb, int cr)
{
    // The sums' rounding error stays below 2^-39 while every term is within 1024.
    const double near = 1.0 / (1 << 30);
    const double cbd = cb - 128, crd = cr - 128;
    const int lane[3] = {1, 2, 0}; // the rows give G, B, R
    uint64_t e = 255ull << 24;
    for (int k = 0; k < 3; k++) {
        const double* row = &m.to_gbr[3 * k];
        double p1 = row[1] * cbd, p2 = row[2] * crd, c = p1 + p2, f = std::floor(c);
        bool exact = p1 == std::floor(p1) && p2 == std::floor(p2);
        if (row[0] != 1.0 || std::fabs(p1) > 1024 || std::fabs(p2) > 1024 ||
            (!exact && (c - f < near || f + 1 - c < near)))
            e |= formula_flag;
        int part = f < -255 ? -255 : f > 255 ? 255 : (int)f;
        e |= (uint64_t)(part > 0 ? part : 0) << 8 * lane[k] | (uint64_t)(part < 0 ? -part : 0) << (32 + 8 * lane[k]);
    }
    return e;
}

const uint64_t* ycbcr_pairs()
{
    static uint64_t pairs[1 << 16];
    static const bool built = [] {
        for (int i = 0; i < 1 << 16; i++)
            pairs[i] = pair_entry(*mtxcoe_smpte_274m, i & 0xFF, i >> 8);
        return true;
    }();
    (void)built;
    return pairs;
}

unsigned clamp8(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : (unsigned)v;
}

void ycbcr8_pixel(const uint64_t* pairs, int y, int cb, int cr, unsigned char* d)
{
    uint64_t e = pairs[cb | cr << 8];
    if (e & formula_flag)
        return ycbcr_pixel(y, cb, cr, depth8, d);
    int c[3];
    for (int k = 0; k < 3; k++)
        c[k] = y + (int)(e >> 8 * k & 0xFF) - (int)(e >> (32 + 8 * k) & 0xFF);
    pixconv_put(d, clamp8(c[0]), clamp8(c[1]), clamp8(c[2]), 255);
}

int sample16le(const unsigned char* s, int i) { return s[2 * i] | s[2 * i + 1] << 8; }

// 4:2:2: two pixels share one Cb and Cr, as Cb, Y0, Cr, Y1; `pixels` of
// them are shown.
void group8(const unsigned char* s, unsigned char* d, int pixels)
{
    const uint64_t* pairs = ycbcr_pairs();
    ycbcr8_pixel(pairs, s[1], s[0], s[2], d);
    if (pixels == 2)
        ycbcr8_pixel(pairs, s[3], s[0], s[2], d + 4);
}

void group16(const unsigned char* s, unsigned char* d, int pixels)
{
    int cb = sample16le(s, 0), cr = sample16le(s, 2);
    ycbcr_pixel(sample16le(s, 1), cb, cr, depth16, d);
    if (pixels == 2)
        ycbcr_pixel(sample16le(s, 3), cb, cr, depth16, d + 4);
}

// 4:4:4: each pixel has its own Cb, Y, Cr, so pixels stand alone.
void pixel8(const unsigned char* s, unsigned char* d)
{
    ycbcr8_pixel(ycbcr_pairs(), s[1], s[0], s[2], d);
}

void pixel16(const unsigned char* s, unsigned char* d)
{
    ycbcr_pixel(sample16le(s, 1), sample16le(s, 0), sample16le(s, 2), depth16, d);
}

// A row of odd width ends with a whole group of which only the first pixel
// is shown, so each row starts on a group boundary. Groups past src_size are
// fallback. Groups `start` to `end` of a row, the first `present` of which
// exist, go to `group` one by one.
template <int GroupBytes>
void ycbcr422_groups(const unsigned char* s, size_t present, unsigned char* d, int width, size_t start, size_t end)
{
    for (size_t j = start; j < end; j++) {
        int pixels = (size_t)width - 2 * j < 2 ? 1 : 2;
        if (j >= present)
            pixconv_fill_fallback(d + 8 * j, pixels);
        else if (GroupBytes == 4)
            group8(s + GroupBytes * j, d + 8 * j, pixels);
        else
            group16(s + GroupBytes * j, d + 8 * j, pixels);
    }
}

template <int GroupBytes>
void ycbcr422(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    size_t per_row = ((size_t)width + 1) / 2, present = src_size / GroupBytes;
    for (size_t row = 0; row < (size_t)height; row++) {
        size_t first = row * per_row;
        ycbcr422_groups<GroupBytes>(src + first * GroupBytes, present > first ? present - first : 0,
                                    dst + row * width * 4, width, 0, per_row);
    }
}

#if PIXCONV_AVX2
// Eight pixels from their Y bytes, each repeated four times, and their
// pairs' entries, the bytes to add in the even 32-bit elements and those to
// take away in the odd ones, of pixels 0, 1, 4, 5 in `a` and 2, 3, 6, 7 in
// `b`. False, with nothing written, when a pair needs the formula.
PIXCONV_TARGET_AVX2 bool pairs_step(__m256i y, __m256i a, __m256i b, unsigned char* d)
{
    if (!_mm256_testz_si256(_mm256_or_si256(a, b), _mm256_set1_epi64x((long long)formula_flag)))
        return false;
    __m256i add = _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), 0x88));
    __m256i sub = _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), 0xDD));
    pixconv_store32(d, _mm256_subs_epu8(_mm256_adds_epu8(y, add), sub));
    return true;
}

// Four 4:2:2 groups, Cb Y0 Cr Y1 each.
PIXCONV_TARGET_AVX2 void step422_8(const unsigned char* s, unsigned char* d)
{
    __m128i raw = _mm_loadu_si128((const __m128i*)s);
    __m128i index = _mm_shuffle_epi8(raw, _mm_setr_epi8(0, 2, -1, -1, 4, 6, -1, -1, 8, 10, -1, -1, 12, 14, -1, -1));
    __m256i e = _mm256_i32gather_epi64((const long long*)ycbcr_pairs(), index, 8);
    __m256i y = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(raw),
                                    _mm256_setr_epi8(1, 1, 1, 1, 3, 3, 3, 3, 5, 5, 5, 5, 7, 7, 7, 7, //
                                                     9, 9, 9, 9, 11, 11, 11, 11, 13, 13, 13, 13, 15, 15, 15, 15));
    if (!pairs_step(y, _mm256_permute4x64_epi64(e, 0xA0), _mm256_permute4x64_epi64(e, 0xF5), d))
        for (int g = 0; g < 4; g++)
            group8(s + 4 * g, d + 8 * g, 2);
}

// Eight 4:4:4 pixels, Cb Y Cr each, four from each 16-byte half.
PIXCONV_TARGET_AVX2 void step444_8(const unsigned char* s, unsigned char* d)
{
    __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128((const __m128i*)s)),
                                        _mm_loadu_si128((const __m128i*)(s + 12)), 1);
    __m256i index = _mm256_shuffle_epi8(
        v, _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 2, -1, -1, 3, 5, -1, -1, 6, 8, -1, -1, 9, 11, -1, -1)));
    __m256i y = _mm256_shuffle_epi8(
        v, _mm256_broadcastsi128_si256(_mm_setr_epi8(1, 1, 1, 1, 4, 4, 4, 4, 7, 7, 7, 7, 10, 10, 10, 10)));
    const long long* pairs = (const long long*)ycbcr_pairs();
    __m256i lo = _mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(index), 8);
    __m256i hi = _mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(index, 1), 8);
    if (!pairs_step(y, _mm256_permute2x128_si256(lo, hi, 0x20), _mm256_permute2x128_si256(lo, hi, 0x31), d))
        for (int p = 0; p < 8; p++)
            pixel8(s + 3 * p, d + 4 * p);
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

// ycbcr422 with the whole groups of each row taken four at a time, from the
// first that is written on a 32-byte boundary.
template <int GroupBytes, void (*Step)(const unsigned char*, unsigned char*)>
PIXCONV_TARGET_AVX2 void ycbcr422_avx2(const unsigned char* src, size_t src_size, unsigned char* dst, int width,
                                       int height)
{
    size_t per_row = ((size_t)width + 1) / 2, whole = (size_t)width / 2, present = src_size / GroupBytes;
    for (size_t row = 0; row < (size_t)height; row++) {
        size_t first = row * per_row, here = present > first ? present - first : 0, j = 0;
        const unsigned char* s = src + first * GroupBytes;
        unsigned char* d = dst + row * width * 4;
        if (((uintptr_t)d & 7) == 0)
            for (; j < whole && ((uintptr_t)(d + 8 * j) & 31); j++)
                ycbcr422_groups<GroupBytes>(s, here, d, width, j, j + 1);
        for (; j + 4 <= whole && j + 4 <= here; j += 4)
            Step(s + GroupBytes * j, d + 8 * j);
        ycbcr422_groups<GroupBytes>(s, here, d, width, j, per_row);
    }
}
#endif

} // namespace

void pixconv_ycbcr8_pixel(int y, int cb, int cr, unsigned char* d)
{
    ycbcr8_pixel(ycbcr_pairs(), y, cb, cr, d);
}

void pixconv_d100_b08_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return ycbcr422_avx2<4, step422_8>(src, src_size, dst, width, height);
#endif
    ycbcr422<4>(src, src_size, dst, width, height);
}

void pixconv_d100_b16_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return ycbcr422_avx2<8, step422_16>(src, src_size, dst, width, height);
#endif
    ycbcr422<8>(src, src_size, dst, width, height);
}

void pixconv_d102_b08_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return pixconv_each_pixel_avx2<3, 8, 28, step444_8>(src, src_size, dst, width, height, pixel8);
#endif
    pixconv_each_pixel<3>(src, src_size, dst, width, height, pixel8);
}

void pixconv_d102_b16_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return pixconv_each_pixel_avx2<6, 8, 48, step444_16>(src, src_size, dst, width, height, pixel16);
#endif
    pixconv_each_pixel<6>(src, src_size, dst, width, height, pixel16);
}
