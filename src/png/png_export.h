// Writing an exported picture (export.h) as a PNG file with libpng.
#pragma once

#include "picture/export.h"

enum { PNG_EXPORT_REASON_SIZE = 256 };

// Writes `pixels` (the layout of export_picture: rows top first, channels
// interleaved, 16-bit samples as host uint16_t) to `path` as a PNG of
// picture->channels channels (1 grey, 2 grey and alpha, 3 RGB, 4 RGBA) and
// picture->bits bits (8 or 16), no gamma or colour chunks. False with a
// one-line reason when the file cannot be written or the shape has no PNG
// form; a file left half-written is removed.
bool png_export_write(const char* path, const EXPORT_PICTURE* picture, const unsigned char* pixels,
                      char reason[PNG_EXPORT_REASON_SIZE]);
