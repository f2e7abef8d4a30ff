#include "picture/orient.h"

namespace {

struct orientation {
    bool transposed; // lines are columns
    bool reverse_x;  // pixels of a line run right to left (or bottom to top)
    bool reverse_y;  // lines run bottom to top (or right to left)
};

const orientation orientations[8] = {
    {false, false, false}, {false, true, false}, {false, false, true}, {false, true, true},
    {true, false, false},  {true, false, true},  {true, true, false},  {true, true, true},
};

orientation of(int code)
{
    return orientations[code >= 0 && code < 8 ? code : 0];
}

} // namespace

void orient_size(int code, uint32_t width, uint32_t height, uint32_t* shown_width, uint32_t* shown_height)
{
    bool t = of(code).transposed;
    *shown_width = t ? height : width;
    *shown_height = t ? width : height;
}

void orient_to_file(int code, uint32_t width, uint32_t height, uint32_t shown_x, uint32_t shown_y, uint32_t* file_x,
                    uint32_t* file_y)
{
    orientation o = of(code);
    uint32_t a = o.transposed ? shown_y : shown_x;
    uint32_t b = o.transposed ? shown_x : shown_y;
    *file_x = o.reverse_x ? width - 1 - a : a;
    *file_y = o.reverse_y ? height - 1 - b : b;
}

void orient_from_file(int code, uint32_t width, uint32_t height, uint32_t file_x, uint32_t file_y, uint32_t* shown_x,
                      uint32_t* shown_y)
{
    orientation o = of(code);
    uint32_t a = o.reverse_x ? width - 1 - file_x : file_x;
    uint32_t b = o.reverse_y ? height - 1 - file_y : file_y;
    *shown_x = o.transposed ? b : a;
    *shown_y = o.transposed ? a : b;
}

void orient_uv(int code, float uv[4][2])
{
    orientation o = of(code);
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int k = 0; k < 4; k++) {
        float a = o.transposed ? corners[k][1] : corners[k][0];
        float b = o.transposed ? corners[k][0] : corners[k][1];
        uv[k][0] = o.reverse_x ? 1 - a : a;
        uv[k][1] = o.reverse_y ? 1 - b : b;
    }
}
