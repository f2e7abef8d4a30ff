#include "picture/transform.h"

#include <atomic>
#include <cstring>
#include <thread>

#include "picture/level.h"
#include "picture/rgbline.h"
#include "picture/unpack.h"
#include "picture/ycbcrline.h"
#include "mtxcoe/mtxcoe.h"

namespace {

const int FULL = -1, ZERO = -2;

template <typename Out>
constexpr double out_max()
{
    return sizeof(Out) == 1 ? 255.0 : 65535.0;
}

void set_map(TRANSFORM_PLAN* p)
{
    const DECODE_LAYOUT* l = p->layout;
    const TRANSFORM_VIEW v = p->view;
    int* m = p->map;
    m[0] = m[1] = m[2] = ZERO;
    m[3] = FULL;
    p->mapped = true;
    switch (v.mode) {
    case TRANSFORM_COLOUR:
        if (l->colour == DECODE_GREY) {
            m[0] = m[1] = m[2] = 0;
        } else if (l->colour == DECODE_YCBCR) {
            p->mapped = false;
        } else {
            m[0] = l->red;
            m[1] = l->green;
            m[2] = l->blue < 0 ? ZERO : l->blue;
            m[3] = l->alpha < 0 ? FULL : l->alpha;
        }
        break;
    case TRANSFORM_COMPONENT:
        if (v.component >= 0 && v.component < l->components)
            m[0] = m[1] = m[2] = v.component;
        break;
    case TRANSFORM_ALPHA:
        m[0] = m[1] = m[2] = l->alpha < 0 ? FULL : l->alpha;
        break;
    case TRANSFORM_LUMA:
        if (l->colour == DECODE_GREY)
            m[0] = m[1] = m[2] = 0;
        else
            p->mapped = false;
        break;
    }
    p->direct = p->mapped && !l->is_float && !l->subsampled;
}

// Component codes of pixel x (generic path).
template <typename Sample>
void gather(const TRANSFORM_PLAN* p, const Sample* samples, uint32_t x, double c[DECODE_MAX_COMPONENTS])
{
    const DECODE_LAYOUT* l = p->layout;
    if (!l->subsampled) {
        const Sample* s = samples + (size_t)x * l->components;
        for (int k = 0; k < l->components; k++)
            c[k] = s[k];
        return;
    }
    for (int k = 0; k < l->components; k++) {
        int64_t s = decode_sample_index(l, x, k);
        c[k] = s < 0 ? p->chroma_zero : samples[s];
    }
}

// One pixel's R, G, B, A in 0..1 (generic path).
void compute(const TRANSFORM_PLAN* p, const double c[DECODE_MAX_COMPONENTS], double out[4])
{
    const DECODE_LAYOUT* l = p->layout;
    const double max = p->code_max;
    if (p->mapped) {
        for (int k = 0; k < 4; k++)
            out[k] = p->map[k] >= 0 ? c[p->map[k]] / max : p->map[k] == FULL ? 1.0 : 0.0;
        return;
    }
    double y, r, g, b;
    if (l->colour == DECODE_YCBCR) {
        y = (c[l->luma] - l->reference_low) / (l->reference_high - l->reference_low);
        double pb = (c[l->cb] - p->chroma_zero) / p->chroma_range;
        double pr = (c[l->cr] - p->chroma_zero) / p->chroma_range;
        r = p->to_rgb[0][0] * y + p->to_rgb[0][1] * pb + p->to_rgb[0][2] * pr;
        g = p->to_rgb[1][0] * y + p->to_rgb[1][1] * pb + p->to_rgb[1][2] * pr;
        b = p->to_rgb[2][0] * y + p->to_rgb[2][1] * pb + p->to_rgb[2][2] * pr;
    } else {
        r = c[l->red] / max;
        g = c[l->green] / max;
        b = l->blue < 0 ? 0.0 : c[l->blue] / max;
        // Luma weights of SMPTE 274M: its from_gbr row Y takes G, B, R.
        const double* w = mtxcoe_smpte_274m->from_gbr;
        y = w[2] * r + w[0] * g + w[1] * b;
    }
    if (p->view.mode == TRANSFORM_LUMA) {
        out[0] = out[1] = out[2] = y;
        out[3] = 1.0;
        return;
    }
    out[0] = r;
    out[1] = g;
    out[2] = b;
    out[3] = l->alpha < 0 ? 1.0 : c[l->alpha] / max;
}

template <typename Out>
const Out* lut(const TRANSFORM_PLAN* p);

template <>
const uint8_t* lut<uint8_t>(const TRANSFORM_PLAN* p)
{
    return p->lut8.data();
}

template <>
const uint16_t* lut<uint16_t>(const TRANSFORM_PLAN* p)
{
    return p->lut16.data();
}

// Table lookups only: each channel from one code or a constant.
template <typename Out, int Components>
void direct_line(const TRANSFORM_PLAN* p, const uint16_t* codes, uint32_t count, Out* out)
{
    const Out* t = lut<Out>(p);
    const int n = Components ? Components : p->layout->components;
    const int m0 = p->map[0], m1 = p->map[1], m2 = p->map[2], m3 = p->map[3];
    const Out full = (Out)out_max<Out>();
    for (uint32_t x = 0; x < count; x++) {
        const uint16_t* s = codes + (size_t)x * n;
        Out* d = out + 4 * (size_t)x;
        d[0] = m0 >= 0 ? t[s[m0]] : m0 == FULL ? full : 0;
        d[1] = m1 >= 0 ? t[s[m1]] : m1 == FULL ? full : 0;
        d[2] = m2 >= 0 ? t[s[m2]] : m2 == FULL ? full : 0;
        d[3] = m3 >= 0 ? t[s[m3]] : m3 == FULL ? full : 0;
    }
}

// Three components shown as R, G, B, opaque: one 32-bit store a pixel.
void direct_rgb8(const TRANSFORM_PLAN* p, const uint16_t* codes, uint32_t count, unsigned char* out)
{
    const uint8_t* t = p->lut8.data();
    const int m0 = p->map[0], m1 = p->map[1], m2 = p->map[2];
    for (uint32_t x = 0; x < count; x++) {
        const uint16_t* s = codes + 3 * (size_t)x;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        uint32_t v = t[s[m0]] | (uint32_t)t[s[m1]] << 8 | (uint32_t)t[s[m2]] << 16 | 0xFF000000u;
#else
        uint32_t v = (uint32_t)t[s[m0]] << 24 | (uint32_t)t[s[m1]] << 16 | (uint32_t)t[s[m2]] << 8 | 0xFFu;
#endif
        memcpy(out + 4 * (size_t)x, &v, 4);
    }
}

template <typename Out, typename Sample>
void generic_line(const TRANSFORM_PLAN* p, const Sample* samples, uint32_t count, Out* out)
{
    double c[DECODE_MAX_COMPONENTS], v[4];
    for (uint32_t x = 0; x < count; x++) {
        gather(p, samples, x, c);
        compute(p, c, v);
        for (int k = 0; k < 4; k++)
            out[4 * (size_t)x + k] = level_from_unit<Out>(v[k]);
    }
}

// Gives pixels present..width-1 of a line the fallback colour; returns their count.
template <typename Out>
uint32_t fill_missing(const DECODE_LAYOUT* l, uint32_t present, Out* out)
{
    const double scale = out_max<Out>() / 255.0;
    for (uint32_t x = present; x < l->width; x++) {
        for (int k = 0; k < 4; k++)
            out[4 * (size_t)x + k] = (Out)(dpx_fallback_rgba[k] * scale);
    }
    return l->width - present;
}

// Three components shown as R, G, B and opaque: a 32-bit store a pixel,
// and for filled 10-bit words, word to pixel in one step.
void set_rgb_paths(TRANSFORM_PLAN* p)
{
    const DECODE_LAYOUT* l = p->layout;
    p->rgb8 = p->out_bits == 8 && p->direct && l->components == 3 && p->map[0] >= 0 && p->map[1] >= 0 &&
              p->map[2] >= 0 && p->map[3] == FULL;
    p->rgbline = p->rgb8 && l->bit_depth == 10 && l->packing != 0;
    for (int k = 0; k < 3 && p->rgbline; k++)
        p->rgbline_fields[k] = unpack_field_shift(l, (uint64_t)p->map[k]);
    p->rgbline_packed = p->rgb8 && (l->bit_depth == 10 || l->bit_depth == 12) && l->packing == 0;
}

template <typename Out>
uint32_t line(TRANSFORM_PLAN* p, const unsigned char* image, size_t image_size, uint32_t y, Out* out)
{
    const DECODE_LAYOUT* l = p->layout;
    UNPACK_LINE src;
    uint32_t present = 0;
    if (unpack_line_span(l, image, image_size, y, &src)) {
        uint64_t samples = unpack_present_samples(l, &src);
        present = unpack_present_pixels(l, samples);
        if (l->is_float) {
            unpack_line_floats(l, &src, samples, p->values.data());
            generic_line(p, p->values.data(), present, out);
        } else {
            if constexpr (sizeof(Out) == 1) {
                if (p->rgbline) {
                    rgbline_filled10(src.at, l->little_endian, p->rgbline_fields, present, out, p->avx2);
                    return fill_missing(l, present, out);
                }
                if (p->rgbline_packed) {
                    rgbline_packed(src.at, l->little_endian, l->bit_depth, p->map, p->lut32.data(), present,
                                   p->words.data(), out, p->avx2);
                    return fill_missing(l, present, out);
                }
                if (p->rgb8) {
                    unpack_line_codes(l, &src, samples, p->codes.data(), p->avx2);
                    direct_rgb8(p, p->codes.data(), present, out);
                    return fill_missing(l, present, out);
                }
            }
            unpack_line_codes(l, &src, samples, p->codes.data(), p->avx2);
            if (!p->luma_table.empty()) {
                YCBCR_LINE ycbcr{l, p->luma_table.data(), p->chroma_table.data(), {}, p->code_max,
                                 p->view.mode == TRANSFORM_LUMA, p->avx2};
                memcpy(ycbcr.to_rgb, p->to_rgb, sizeof ycbcr.to_rgb);
                if constexpr (sizeof(Out) == 1)
                    ycbcrline8(&ycbcr, p->codes.data(), present, out);
                else
                    ycbcrline16(&ycbcr, p->codes.data(), present, out);
            } else if (!p->direct)
                generic_line(p, p->codes.data(), present, out);
            else if (l->components == 3)
                direct_line<Out, 3>(p, p->codes.data(), present, out);
            else if (l->components == 1)
                direct_line<Out, 1>(p, p->codes.data(), present, out);
            else
                direct_line<Out, 0>(p, p->codes.data(), present, out);
        }
    }
    return fill_missing(l, present, out);
}

} // namespace

void transform_plan_init(TRANSFORM_PLAN* plan, const DECODE_LAYOUT* layout, TRANSFORM_VIEW view, int out_bits)
{
    plan->layout = layout;
    plan->view = view;
    plan->out_bits = out_bits;
    set_map(plan);
    set_rgb_paths(plan);
    plan->avx2 = rgbline_avx2();
    plan->code_max = decode_code_max(layout);
    plan->chroma_zero = decode_chroma_zero(layout);
    plan->chroma_range =
        layout->is_float ? 1.0 : (layout->reference_high - layout->reference_low) * 224.0 / 219.0;
    memset(plan->to_rgb, 0, sizeof plan->to_rgb);
    if (layout->colour == DECODE_YCBCR && layout->matrix) {
        // to_gbr rows give G, B, R; its columns take Y, Cb, Cr.
        const int row_of[3] = {2, 0, 1};
        for (int k = 0; k < 3; k++) {
            for (int j = 0; j < 3; j++)
                plan->to_rgb[k][j] = layout->matrix->to_gbr[3 * row_of[k] + j];
        }
    }
    plan->lut8.clear();
    plan->lut32.clear();
    plan->lut16.clear();
    plan->luma_table.clear();
    plan->chroma_table.clear();
    if (layout->is_float) {
        plan->values.assign(layout->line_samples, 0.0f);
        return;
    }
    plan->codes.assign(layout->line_samples, 0);
    plan->words.assign(plan->rgbline_packed ? layout->line_bytes / 4 + 2 : 0, 0);
    const size_t codes = (size_t)1 << layout->bit_depth;
    if (layout->colour == DECODE_YCBCR && (view.mode == TRANSFORM_COLOUR || view.mode == TRANSFORM_LUMA)) {
        plan->luma_table.resize(codes);
        plan->chroma_table.resize(codes);
        for (size_t c = 0; c < codes; c++) {
            plan->luma_table[c] =
                ((double)c - layout->reference_low) / (layout->reference_high - layout->reference_low);
            plan->chroma_table[c] = ((double)c - plan->chroma_zero) / plan->chroma_range;
        }
    }
    if (out_bits == 8) {
        plan->lut8.resize(codes);
        for (size_t c = 0; c < codes; c++)
            plan->lut8[c] = level_from_unit<uint8_t>((double)c / plan->code_max);
        if (plan->rgbline_packed)
            plan->lut32.assign(plan->lut8.begin(), plan->lut8.end());
    } else {
        plan->lut16.resize(codes);
        for (size_t c = 0; c < codes; c++)
            plan->lut16[c] = level_from_unit<uint16_t>((double)c / plan->code_max);
    }
}

uint32_t transform_line8(TRANSFORM_PLAN* plan, const unsigned char* image, size_t image_size, uint32_t y,
                         unsigned char* out)
{
    return line<uint8_t>(plan, image, image_size, y, out);
}

uint32_t transform_line16(TRANSFORM_PLAN* plan, const unsigned char* image, size_t image_size, uint32_t y,
                          uint16_t* out)
{
    return line<uint16_t>(plan, image, image_size, y, out);
}

void transform_picture_threads(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size,
                               TRANSFORM_VIEW view, unsigned char* rgba, uint64_t* missing, int threads)
{
    const uint32_t height = layout->height;
    const uint32_t workers = threads < 1 ? 1 : (uint32_t)threads < height ? (uint32_t)threads : height;
    // Bands are handed out in turn, four a thread, rather than one each: a
    // thread whose core is busy with other work takes fewer.
    const uint32_t band = (height + 4 * workers - 1) / (4 * workers);
    std::atomic<uint32_t> next{0};
    std::vector<uint64_t> counts(workers, 0);
    auto work = [&](uint32_t worker) {
        TRANSFORM_PLAN plan; // per thread: it holds the line buffers
        transform_plan_init(&plan, layout, view, 8);
        for (uint32_t first; (first = next.fetch_add(band)) < height;) {
            const uint32_t last = height - first < band ? height : first + band;
            for (uint32_t y = first; y < last; y++)
                counts[worker] += transform_line8(&plan, image, image_size, y, rgba + (size_t)y * layout->width * 4);
        }
    };
    std::vector<std::thread> others;
    for (uint32_t w = 1; w < workers; w++)
        others.emplace_back(work, w);
    work(0);
    for (std::thread& t : others)
        t.join();
    uint64_t total = 0;
    for (uint64_t c : counts)
        total += c;
    *missing = total;
}

void transform_picture(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size, TRANSFORM_VIEW view,
                       unsigned char* rgba, uint64_t* missing)
{
    // A thread costs tens of microseconds: worth it from a few dozen lines of 4K on.
    const int cores = (int)std::thread::hardware_concurrency();
    const int by_height = (int)(layout->height / TRANSFORM_BAND_LINES);
    int threads = cores < by_height ? cores : by_height;
    transform_picture_threads(layout, image, image_size, view, rgba, missing, threads < 1 ? 1 : threads);
}
