// Shared by the YCbCr converters' plain and vector paths.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixconv/pixconv_vector.h"

// The 8-bit entries of every Cb, Cr pair (index Cb + 256 Cr): the integer
// parts of the chroma's share of R, G, B, saturating bytes to add (0..3)
// and to take away (4..6); entries with this bit set go to the formula.
// pixconv_ycbcr_pairs fills the table on its first call and returns it; the
// vector steps read it directly once their converter has called it.
extern uint64_t pixconv_ycbcr_pair_table[1 << 16];
const uint64_t* pixconv_ycbcr_pairs();
const uint64_t pixconv_ycbcr_formula = 0x8000000000000000u;

// 4:2:2 groups of Cb, Y0, Cr, Y1, 8 or 16 bits, of which `pixels` (1 or 2) are shown.
void pixconv_ycbcr_group8(const unsigned char* s, unsigned char* d, int pixels);
void pixconv_ycbcr_group16(const unsigned char* s, unsigned char* d, int pixels);

// A row of odd width ends with a whole group of which only the first pixel
// is shown, so each row starts on a group boundary. Groups `start` to `end`
// of the row at s and d, of which the first `present` exist; the others are
// fallback.
void pixconv_ycbcr_groups(const unsigned char* s, size_t present, unsigned char* d, int width, int group_bytes,
                          size_t start, size_t end);

// 4:4:4 pixels of Cb, Y, Cr, each standing alone.
void pixconv_ycbcr_pixel8(const unsigned char* s, unsigned char* d);
void pixconv_ycbcr_pixel16(const unsigned char* s, unsigned char* d);

#if PIXCONV_AVX2
// The converters' vector paths: 4:2:2 of 4-byte (8-bit) or 8-byte (16-bit) groups, 4:4:4 of 8 and 16 bits.
template <int GroupBytes>
PIXCONV_TARGET_AVX2 void pixconv_ycbcr422_avx2(const unsigned char* src, size_t src_size, unsigned char* dst,
                                               int width, int height);
PIXCONV_TARGET_AVX2 void pixconv_ycbcr444_8_avx2(const unsigned char* src, size_t src_size, unsigned char* dst,
                                                 int width, int height);
PIXCONV_TARGET_AVX2 void pixconv_ycbcr444_16_avx2(const unsigned char* src, size_t src_size, unsigned char* dst,
                                                  int width, int height);
#endif
