// How a decoded picture is looked at, shared by the Picture windows of files
// and of sequences: element, view, orientation, checkerboard, zoom and pan,
// and the code values under the cursor.
#pragma once

#include <cstddef>

#include <epoxy/gl.h>
#include <imgui.h>

#include "dpx/dpx_header.h"
#include "picture/decode.h"
#include "picture/transform.h"

struct PICTURE_LOOK {
    int element;       // 0..7
    TRANSFORM_VIEW view;
    bool as_stored;    // the header's orientation not applied
    bool checkerboard; // alpha over a checkerboard rather than the window
    bool fit;          // follows the canvas until zoomed or panned
    bool standard;     // the standard's reading of the lines, not a scanner's
    float zoom;        // screen pixels per picture pixel
    ImVec2 pan;        // the picture's top left from the canvas's
};

// Element 1 in colour, fitted, over a checkerboard.
void picture_look_init(PICTURE_LOOK* look);

// Element, View, As stored, Checkerboard, Fit, 1:1, and Standard's reading
// where `layout` (null when nothing decoded) offers a choice.
void picture_toolbar(PICTURE_LOOK* look, const DPX_HEADER* header, const DECODE_LAYOUT* layout);

// The picture in `texture` (rgba in file order) filling the space left but
// one line, zoomed with the wheel and panned by dragging, then
// the readout of the pixel under the cursor: its code values from `image`
// and its display values from `rgba`.
void picture_canvas(PICTURE_LOOK* look, const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size,
                    const unsigned char* rgba, GLuint texture);

// The header's orientation as shown: 0 when shown as stored.
int picture_orientation(const PICTURE_LOOK* look, const DECODE_LAYOUT* layout);
