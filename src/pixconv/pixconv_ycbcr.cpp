// YCbCr converters: the "SMPTE 274M" matrix in double precision, whatever
// the element's colorimetric code says. Y enters unchanged (no black offset,
// no range expansion); results are truncated toward zero, then clamped.
#include "mtxcoe/mtxcoe.h"
#include "pixconv/pixconv_internal.h"

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

void ycbcr_pixel(const MTXCOE& m, int y, int cb, int cr, const ycbcr_depth& depth, unsigned char* d)
{
    double cbd = (double)(cb - depth.zero);
    double crd = (double)(cr - depth.zero);
    unsigned g = ycbcr_component(&m.to_gbr[0], y, cbd, crd, depth);
    unsigned b = ycbcr_component(&m.to_gbr[3], y, cbd, crd, depth);
    unsigned r = ycbcr_component(&m.to_gbr[6], y, cbd, crd, depth);
    pixconv_put(d, r, g, b, 255);
}

int sample8(const unsigned char* s, int i) { return s[i]; }
int sample16le(const unsigned char* s, int i) { return s[2 * i] | s[2 * i + 1] << 8; }

// 4:2:2: two pixels share one Cb and Cr, as Cb, Y0, Cr, Y1. A row of odd
// width ends with a whole group of which only the first pixel is shown, so
// each row starts on a group boundary. Groups past src_size are fallback.
template <int GroupBytes, int (*Sample)(const unsigned char*, int)>
void ycbcr422(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height,
              const ycbcr_depth& depth)
{
    const MTXCOE& m = *mtxcoe_smpte_274m;
    size_t present = src_size / GroupBytes;
    size_t group = 0;
    for (int row = 0; row < height; row++) {
        for (int x = 0; x < width; x += 2, group++) {
            int pixels = width - x < 2 ? 1 : 2;
            unsigned char* d = dst + ((size_t)row * width + x) * 4;
            if (group >= present) {
                pixconv_fill_fallback(d, pixels);
                continue;
            }
            const unsigned char* s = src + group * GroupBytes;
            int cb = Sample(s, 0), cr = Sample(s, 2);
            ycbcr_pixel(m, Sample(s, 1), cb, cr, depth, d);
            if (pixels == 2)
                ycbcr_pixel(m, Sample(s, 3), cb, cr, depth, d + 4);
        }
    }
}

// 4:4:4: each pixel has its own Cb, Y, Cr, so pixels stand alone.
template <int PixelBytes, int (*Sample)(const unsigned char*, int)>
void ycbcr444(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height,
              const ycbcr_depth& depth)
{
    const MTXCOE& m = *mtxcoe_smpte_274m;
    pixconv_each_pixel<PixelBytes>(src, src_size, dst, width, height, [&](const unsigned char* s, unsigned char* d) {
        ycbcr_pixel(m, Sample(s, 1), Sample(s, 0), Sample(s, 2), depth, d);
    });
}

} // namespace

void pixconv_d100_b08_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    ycbcr422<4, sample8>(src, src_size, dst, width, height, depth8);
}

void pixconv_d100_b16_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    ycbcr422<8, sample16le>(src, src_size, dst, width, height, depth16);
}

void pixconv_d102_b08_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    ycbcr444<3, sample8>(src, src_size, dst, width, height, depth8);
}

void pixconv_d102_b16_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    ycbcr444<6, sample16le>(src, src_size, dst, width, height, depth16);
}
