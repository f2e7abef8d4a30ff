// YCbCr converters: the "SMPTE 274M" matrix in double precision, whatever
// the element's colorimetric code says. Y enters unchanged (no black offset,
// no range expansion); results are truncated toward zero, then clamped.
#include <cmath>

#include "mtxcoe/mtxcoe.h"
#include "pixconv/pixconv_internal.h"
#include "pixconv/pixconv_ycbcr.h"

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
// A) and what to take away (bytes 4..6), each saturating; the top bit is
// set where the pair is left to the formula. Parts beyond 255 either way clamp alike.
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
            e |= pixconv_ycbcr_formula;
        int part = f < -255 ? -255 : f > 255 ? 255 : (int)f;
        e |= (uint64_t)(part > 0 ? part : 0) << 8 * lane[k] | (uint64_t)(part < 0 ? -part : 0) << (32 + 8 * lane[k]);
    }
    return e;
}

} // namespace

uint64_t pixconv_ycbcr_pair_table[1 << 16];

const uint64_t* pixconv_ycbcr_pairs()
{
    static const bool built = [] {
        for (int i = 0; i < 1 << 16; i++)
            pixconv_ycbcr_pair_table[i] = pair_entry(*mtxcoe_smpte_274m, i & 0xFF, i >> 8);
        return true;
    }();
    (void)built;
    return pixconv_ycbcr_pair_table;
}

namespace {

unsigned clamp8(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : (unsigned)v;
}

void ycbcr8_pixel(const uint64_t* pairs, int y, int cb, int cr, unsigned char* d)
{
    uint64_t e = pairs[cb | cr << 8];
    if (e & pixconv_ycbcr_formula)
        return ycbcr_pixel(y, cb, cr, depth8, d);
    int c[3];
    for (int k = 0; k < 3; k++)
        c[k] = y + (int)(e >> 8 * k & 0xFF) - (int)(e >> (32 + 8 * k) & 0xFF);
    pixconv_put(d, clamp8(c[0]), clamp8(c[1]), clamp8(c[2]), 255);
}

int sample16le(const unsigned char* s, int i) { return s[2 * i] | s[2 * i + 1] << 8; }

} // namespace

void pixconv_ycbcr_group8(const unsigned char* s, unsigned char* d, int pixels)
{
    const uint64_t* pairs = pixconv_ycbcr_pairs();
    ycbcr8_pixel(pairs, s[1], s[0], s[2], d);
    if (pixels == 2)
        ycbcr8_pixel(pairs, s[3], s[0], s[2], d + 4);
}

void pixconv_ycbcr_group16(const unsigned char* s, unsigned char* d, int pixels)
{
    int cb = sample16le(s, 0), cr = sample16le(s, 2);
    ycbcr_pixel(sample16le(s, 1), cb, cr, depth16, d);
    if (pixels == 2)
        ycbcr_pixel(sample16le(s, 3), cb, cr, depth16, d + 4);
}

void pixconv_ycbcr_pixel8(const unsigned char* s, unsigned char* d)
{
    ycbcr8_pixel(pixconv_ycbcr_pairs(), s[1], s[0], s[2], d);
}

void pixconv_ycbcr_pixel16(const unsigned char* s, unsigned char* d)
{
    ycbcr_pixel(sample16le(s, 1), sample16le(s, 0), sample16le(s, 2), depth16, d);
}

void pixconv_ycbcr_groups(const unsigned char* s, size_t present, unsigned char* d, int width, int group_bytes,
                          size_t start, size_t end)
{
    for (size_t j = start; j < end; j++) {
        int pixels = (size_t)width - 2 * j < 2 ? 1 : 2;
        if (j >= present)
            pixconv_fill_fallback(d + 8 * j, pixels);
        else if (group_bytes == 4)
            pixconv_ycbcr_group8(s + group_bytes * j, d + 8 * j, pixels);
        else
            pixconv_ycbcr_group16(s + group_bytes * j, d + 8 * j, pixels);
    }
}

namespace {

template <int GroupBytes>
void ycbcr422(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    size_t per_row = ((size_t)width + 1) / 2, present = src_size / GroupBytes;
    for (size_t row = 0; row < (size_t)height; row++) {
        size_t first = row * per_row, here = present > first ? present - first : 0;
        // src is null when there is no image.
        pixconv_ycbcr_groups(here ? src + first * GroupBytes : src, here, dst + row * width * 4, width, GroupBytes, 0,
                             per_row);
    }
}

} // namespace

void pixconv_d100_b08_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return pixconv_ycbcr422_avx2<4>(src, src_size, dst, width, height);
#endif
    ycbcr422<4>(src, src_size, dst, width, height);
}

void pixconv_d100_b16_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return pixconv_ycbcr422_avx2<8>(src, src_size, dst, width, height);
#endif
    ycbcr422<8>(src, src_size, dst, width, height);
}

void pixconv_d102_b08_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return pixconv_ycbcr444_8_avx2(src, src_size, dst, width, height);
#endif
    pixconv_each_pixel<3>(src, src_size, dst, width, height, pixconv_ycbcr_pixel8);
}

void pixconv_d102_b16_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
#if PIXCONV_AVX2
    if (pixconv_avx2())
        return pixconv_ycbcr444_16_avx2(src, src_size, dst, width, height);
#endif
    pixconv_each_pixel<6>(src, src_size, dst, width, height, pixconv_ycbcr_pixel16);
}
