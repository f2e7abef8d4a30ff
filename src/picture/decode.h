// One image element of a loaded file as code values: which samples a pixel
// has and where its bytes are.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dpx/dpx_header.h"
#include "dpx/dpx_layout.h"
#include "mtxcoe/mtxcoe.h"

enum { DECODE_MAX_COMPONENTS = DPX_MAX_COMPONENTS, DECODE_REASON_SIZE = 256 };

// How the components of a pixel become a colour.
enum DECODE_COLOUR {
    DECODE_GREY,  // one component (R, G, B, A, Y or Z alone)
    DECODE_RGB,   // red, green, blue and maybe alpha, in any order
    DECODE_YCBCR, // Y, Cb, Cr and maybe alpha, through a colour matrix
    DECODE_USER,  // user-defined: the first three components as R, G, B
};

struct DECODE_LAYOUT {
    int element;             // 0..7
    uint32_t width, height;  // pixels per line, lines
    uint8_t descriptor, bit_depth;
    uint16_t packing;
    bool little_endian, is_float;
    int components;          // code values per decoded pixel (4:2:2 chroma shared by its two pixels)
    const char* names[DECODE_MAX_COMPONENTS]; // "R","G","B","A","Y","Cb","Cr","Z", "1".."8" for user-defined
    int alpha;               // index of the alpha component or -1
    uint64_t offset, line_stride; // where the data starts; bytes from line to line, end-of-line padding included

    DECODE_COLOUR colour;
    int red, green, blue;    // component indexes, -1 where absent (DECODE_RGB, DECODE_USER)
    int luma, cb, cr;        // component indexes (DECODE_YCBCR)
    bool subsampled;         // 4:2:2: two pixels share one Cb and one Cr
    int samples_per_pixel;   // samples a line holds per pixel (2 for Cb, Y, Cr, Y)
    uint64_t line_samples;   // samples of one line
    uint64_t line_bytes;     // bytes of one line, without its padding
    // 10-bit samples filled into words: single-component elements start at
    // the word's low field, others at its high field (see unpack.cpp).
    bool low_field_first;
    // Lines that run on without padding to a 32-bit word, as some film
    // scanners write 10-bit luma: line y starts at sample y x width of one
    // stream of filled words (see decode.cpp).
    bool unpadded;
    // The reading of the lines, when it is not plainly the standard's: one
    // line naming it and why; empty otherwise.
    char reading[DECODE_REASON_SIZE];
    // The header or the data size chose a reading other than the standard's,
    // and the standard's can be asked for instead (decode_standard_reading).
    bool reading_choice;
    uint16_t orientation;    // the header's image orientation code, as stored
    // Element 0 with no offset of its own (0 or undefined) is read from the
    // header's offset_to_image_data, as FFmpeg and libdpx do.
    bool offset_from_image_data;
    // YCbCr: the colorimetric code and the matrix chosen for it.
    uint8_t colorimetric;
    const MTXCOE* matrix;    // "ITU-R601" or "SMPTE 274M"
    // YCbCr luma codes of black and white. From the element's reference
    // codes, or 64..940 at 10 bits scaled to the depth when those are
    // undefined or low >= high (then reference_defaulted); 0..1 for floats.
    double reference_low, reference_high;
    bool reference_defaulted;
};

// Fills `layout` for element `element` (0..7) of the header. False with a
// one-line reason when the element cannot be decoded: descriptor or depth
// without a known layout, packing unknown for 10 or 12 bits, a picture
// without pixels or larger than DPX_MAX_SIDE on a side, data starting past
// the end of the file image.
bool decode_layout(const DPX_HEADER* header, int element, DECODE_LAYOUT* layout, char reason[DECODE_REASON_SIZE]);

// Reads the lines as the standard says, whatever the header or the data
// size chose: for comparing a scanner's reading with the standard's.
void decode_standard_reading(DECODE_LAYOUT* layout);

// The sample of the line stream that holds component `component` of pixel
// `x`, or -1 when the line has none (the odd-width 4:2:2 Cr above).
int64_t decode_sample_index(const DECODE_LAYOUT* layout, uint32_t x, int component);

// The largest code an integer sample can hold (2^bits - 1); 1 for floats.
double decode_code_max(const DECODE_LAYOUT* layout);

// The neutral chroma code: 2^(bits - 1), or 0.5 for floats.
double decode_chroma_zero(const DECODE_LAYOUT* layout);
