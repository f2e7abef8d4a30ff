// The padding bits of filled samples: the two unused bits of each 32-bit
// word of filled 10-bit data (method A bits 1..0, method B bits 31..30) and
// the four of each 16-bit word of filled 12-bit data (method A bits 3..0,
// method B bits 15..12). Writers leave them zero; some readers reject frames
// where they are not.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/decode.h"

enum { PADDING_TEXT_SIZE = 160 };

struct PADDING_COUNT {
    uint64_t words; // words of the element's samples that the image holds
    uint64_t set;   // those whose padding bits are not all zero
};

// Counts the words of a filled 10- or 12-bit element, line by line as the
// layout reads them. False for every other layout, which has no padding bits.
bool padding_count(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size, PADDING_COUNT* count);

// One line: "padding bits not zero in 3 of 120 words (filled 10-bit, method A: bits 1..0)".
void padding_text(const DECODE_LAYOUT* layout, const PADDING_COUNT* count, char text[PADDING_TEXT_SIZE]);
