// Lines of integer YCbCr codes to RGBA, colour or luma view: luma and
// chroma normalised through tables, then the matrix, each sample found by
// position.
#pragma once

#include <cstdint>

#include "picture/decode.h"

// What the lines need, from the display transform's plan.
struct YCBCR_LINE {
    const DECODE_LAYOUT* layout;
    const double* luma;   // code to 0..1
    const double* chroma; // code to -0.5..0.5
    double to_rgb[3][3];  // rows R, G, B; columns Y, Cb, Cr
    double code_max;
    bool luma_only;       // the luma view: Y alone, grey and opaque
    bool avx2;            // the processor has AVX2
};

// Pixels 0..count-1 of a line of codes (count at most its present pixels).
// 8-bit 4:2:2 colour without alpha takes four pixels a step with AVX2, with
// the same arithmetic and bytes.
void ycbcrline8(const YCBCR_LINE* line, const uint16_t* codes, uint32_t count, unsigned char* rgba);
void ycbcrline16(const YCBCR_LINE* line, const uint16_t* codes, uint32_t count, uint16_t* rgba);
