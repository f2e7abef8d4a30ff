// The header's image orientation: how the stored pixels stand on screen.
// The first word of each code is the direction of the pixels in a line, the
// second that of the lines: 0 left to right, top to bottom (as stored);
// 1 right to left, top to bottom; 2 left to right, bottom to top; 3 right to
// left, bottom to top; 4 to 7 store columns as lines (top to bottom, left to
// right; top to bottom, right to left; bottom to top, left to right; bottom to
// top, right to left). Other codes are taken as 0.
#pragma once

#include <cstdint>

// Size of the shown picture: the stored one, or its transpose for codes 4 to 7.
void orient_size(int code, uint32_t width, uint32_t height, uint32_t* shown_width, uint32_t* shown_height);

// A pixel of the shown (oriented) picture to the pixel of the file it comes from.
void orient_to_file(int code, uint32_t width, uint32_t height, uint32_t shown_x, uint32_t shown_y, uint32_t* file_x,
                    uint32_t* file_y);

// A pixel of the file to where it is shown.
void orient_from_file(int code, uint32_t width, uint32_t height, uint32_t file_x, uint32_t file_y, uint32_t* shown_x,
                      uint32_t* shown_y);

// Texture coordinates of the shown picture's corners (top left, top right,
// bottom right, bottom left), for a texture uploaded in file order (row 0 at
// v = 0).
void orient_uv(int code, float uv[4][2]);
