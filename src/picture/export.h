// The decoded element as a picture to save: colours as the display transform
// makes them, the orientation applied, 8 or 16 bits per channel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/decode.h"

struct EXPORT_PICTURE {
    uint32_t width, height; // as shown, after the orientation
    int orientation;        // the code applied (0: as stored)
    int channels;           // 1 grey, 3 RGB or 4 RGBA: alpha only where the element has it
    int bits;               // 16 where the element has more than 8 bits (and floats), 8 otherwise
    uint64_t row_bytes, bytes;
};

// The shape of `layout` exported with orientation `orientation` (0 to 7;
// layout->orientation for the picture as it stands, 0 as stored).
void export_shape(const DECODE_LAYOUT* layout, int orientation, EXPORT_PICTURE* picture);

// Fills `pixels` (picture->bytes, aligned for uint16_t): rows top first, channels interleaved,
// 16-bit samples as host uint16_t. Pixels whose bytes are missing are
// counted in *missing and get the fallback colour (black in grey pictures).
void export_picture(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size,
                    const EXPORT_PICTURE* picture, unsigned char* pixels, uint64_t* missing);
