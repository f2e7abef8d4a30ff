// Code values of an image element to RGBA for display, line by line.
//
// The viewer's rules, not the file's:
// - RGB and RGBA as stored, A, B, G, R reordered, user-defined elements with
//   their first three components as R, G, B (blue 0 when there are two); each
//   code scaled to the output's range with rounding, full range.
// - A single component (R, G, B, A, Y or Z alone) as grey, opaque.
// - YCbCr through the layout's matrix, video levels expanded from its
//   reference codes, chroma centred on 2^(bits-1) spanning 224/219 of the
//   luma range; floats clamped to 0..1 (chroma centred on 0.5).
// - Alpha is the element's alpha where it has one, opaque elsewhere.
// - Single views are grey and opaque: a component's code (full range), the
//   alpha (white without one), or luma (YCbCr: Y with levels expanded;
//   others: 0.2125 R + 0.7154 G + 0.0721 B of the SMPTE 274M matrix).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/decode.h"

enum TRANSFORM_MODE { TRANSFORM_COLOUR, TRANSFORM_COMPONENT, TRANSFORM_ALPHA, TRANSFORM_LUMA };

struct TRANSFORM_VIEW {
    TRANSFORM_MODE mode;
    int component; // TRANSFORM_COMPONENT: 0..components-1; others show black
};

// Decodes and transforms the whole element into rgba (width x height x 4
// bytes, file order, rows back to back); pixels whose bytes are missing get
// dpx_fallback_rgba and are counted in *missing. Fused per line: no
// full-size intermediate buffer. Bands of lines are decoded on every core,
// with no more threads than TRANSFORM_BAND_LINES lines each would give; safe
// to call from any thread.
void transform_picture(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size, TRANSFORM_VIEW view,
                       unsigned char* rgba, uint64_t* missing);

enum { TRANSFORM_BAND_LINES = 64 };

// The same on `threads` threads (at most one a line; below 1 as 1), the
// calling one among them, each with a plan of its own taking bands of lines
// in turn: the same bytes and count whatever their number.
void transform_picture_threads(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size,
                               TRANSFORM_VIEW view, unsigned char* rgba, uint64_t* missing, int threads);

// What the per-line transform needs, built once per picture: tables from
// code to output level and one line of samples.
struct TRANSFORM_PLAN {
    const DECODE_LAYOUT* layout;
    TRANSFORM_VIEW view;
    int out_bits;                // 8 or 16
    int map[4];                  // output channel from a component, or -1 full, -2 zero
    bool mapped;                 // every channel is one component's code or a constant
    bool direct;                 // mapped, through the tables (integer, not 4:2:2)
    bool rgb8;                   // direct, three components to opaque 8-bit R, G, B
    bool rgbline;                // rgb8 of filled 10-bit words, word to pixel (rgbline.h)
    bool rgbline_packed;         // rgb8 of packed 10- or 12-bit samples, through lut32 (rgbline.h)
    int rgbline_fields[3];       // word shifts of R, G, B
    bool avx2;                   // the vector paths may take AVX2 (rgbline_avx2); the same bytes either way
    std::vector<uint8_t> lut8;   // code to output level, integer depths
    std::vector<uint32_t> lut32; // lut8 in words, for the packed lines' gathers
    std::vector<uint16_t> lut16;
    std::vector<uint16_t> codes; // one line of integer samples
    std::vector<uint32_t> words; // one line of packed words in the host's order
    std::vector<float> values;   // one line of float samples
    std::vector<double> luma_table, chroma_table; // integer YCbCr: code to 0..1 and -0.5..0.5
    double to_rgb[3][3];         // rows R, G, B; columns Y, Cb, Cr
    double chroma_zero, chroma_range, code_max;
};

// out_bits: 8 or 16.
void transform_plan_init(TRANSFORM_PLAN* plan, const DECODE_LAYOUT* layout, TRANSFORM_VIEW view, int out_bits);

// Line y as width x 4 channels (R, G, B, A) of 8 or 16 bits; returns the
// number of missing pixels, which get the fallback colour (16 bits: each
// byte x 257).
uint32_t transform_line8(TRANSFORM_PLAN* plan, const unsigned char* image, size_t image_size, uint32_t y,
                         unsigned char* out);
uint32_t transform_line16(TRANSFORM_PLAN* plan, const unsigned char* image, size_t image_size, uint32_t y,
                          uint16_t* out);
