// What an image element's header fields say about the bytes of its samples.
// Shared by the consistency checks and the element decoder, so that both
// count the same bytes.
#pragma once

#include <cstdint>

#include "dpx/dpx_header.h"

// Samples per pixel of a descriptor (4:2:2 stores two per pixel, 4:2:2:4
// three); 0 for reserved and undefined codes, whose layout is unknown.
int dpx_layout_samples_per_pixel(uint8_t descriptor);

// Bytes of one line of `samples` samples, without end-of-line padding.
// Every line starts on a 32-bit word: 1-bit samples fill words 32 at a time,
// 8-bit 4 at a time; 10-bit packing 0 runs on bit by bit to the line's last
// word, packing 1 and 2 put 3 samples in a word; 12-bit packing 0 runs on bit
// by bit, packing 1 and 2 give each sample 16 bits; 16-bit samples take 2
// bytes, 32- and 64-bit floats 4 and 8. False for other bit depths. Sizes too
// large for 64 bits saturate at UINT64_MAX.
bool dpx_layout_line_bytes(uint64_t samples, uint8_t bit_depth, uint16_t packing, uint64_t* bytes);

// Bytes that element `index` (0 to 7) needs from its offset: lines x (line +
// end-of-line padding) + end-of-image padding, undefined paddings counting as
// 0. False when the descriptor or bit depth has no known layout.
bool dpx_layout_element_bytes(const DPX_HEADER* header, int index, uint64_t* bytes);

// A padding or offset field's value with the undefined marker read as 0.
uint32_t dpx_layout_defined_or_zero(uint32_t value);
