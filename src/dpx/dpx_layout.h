// What an image element's header fields say about its samples: the
// components a descriptor names, the depths the standard allows, the bytes a
// line takes, which elements are in use. Shared by the preview converters,
// the element decoder, the consistency checks and the row description, so
// that all of them read a layout the same way.
#pragma once

#include <cstdint>

#include "dpx/dpx_header.h"

// Pictures larger than this on a side are neither previewed nor decoded.
enum { DPX_MAX_SIDE = 16384 };

// The colour of pixels that cannot be shown: no converter for the layout, or
// bytes missing from the file. R, G, B, A.
extern const unsigned char dpx_fallback_rgba[4];
// The same colour as the user reads it: "(0, 0, 240)".
const char* dpx_fallback_text();

// How the components of a descriptor make a colour.
enum DPX_COLOUR_KIND {
    DPX_KIND_NONE,   // no known way to show it (user-defined 0, composite video, ...)
    DPX_KIND_SINGLE, // one component: R, G, B, A, Y or Z alone
    DPX_KIND_RGB,    // red, green, blue and maybe alpha, in any order
    DPX_KIND_YCBCR,  // Y, Cb, Cr and maybe alpha
    DPX_KIND_USER,   // user-defined 2 to 8 components
};

enum { DPX_MAX_COMPONENTS = 8 };

struct DPX_DESCRIPTOR_LAYOUT {
    uint8_t descriptor;
    DPX_COLOUR_KIND kind;
    int components;                        // code values of one pixel (4:2:2 chroma shared by two)
    const char* names[DPX_MAX_COMPONENTS]; // in the order the file stores them
    int samples_per_pixel;                 // samples a line holds per pixel (2 for Cb, Y, Cr, Y)
    bool subsampled;                       // 4:2:2: two pixels share one Cb and one Cr
};

// The row of `descriptor`, or null for reserved and undefined codes, whose
// layout is unknown.
const DPX_DESCRIPTOR_LAYOUT* dpx_layout_descriptor(uint8_t descriptor);

// The bit depths the standard defines, in ascending order.
enum { DPX_BIT_DEPTH_COUNT = 7 };
extern const uint8_t dpx_bit_depths[DPX_BIT_DEPTH_COUNT];
bool dpx_layout_bit_depth_defined(uint8_t bit_depth);

// Element `index` (0 to 7) is in use when index < number_of_image_elements:
// the undefined count and any count above 8 put all eight in use, 0 none.
bool dpx_element_in_use(const DPX_HEADER* header, int index);

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

// Where element `index` (0 to 7) starts: its offset_to_data; for element 0
// without one (0 or undefined), the header's offset_to_image_data, as FFmpeg
// and libdpx read it. 0 when neither is set.
uint32_t dpx_layout_element_offset(const DPX_HEADER* header, int index);

// The first byte past the furthest element data the header describes, and
// past the user-defined header: how far a reader of its pictures must read.
// Elements of unknown layout reach no further than their start. Saturates.
uint64_t dpx_layout_image_end(const DPX_HEADER* header);

// A padding or offset field's value with the undefined marker read as 0.
uint32_t dpx_layout_defined_or_zero(uint32_t value);
