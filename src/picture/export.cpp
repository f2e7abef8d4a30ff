#include "picture/export.h"

#include <cstring>
#include <vector>

#include "picture/orient.h"
#include "picture/transform.h"

namespace {

uint32_t decode_line(TRANSFORM_PLAN* plan, const unsigned char* image, size_t image_size, uint32_t y,
                     unsigned char* out)
{
    return transform_line8(plan, image, image_size, y, out);
}

uint32_t decode_line(TRANSFORM_PLAN* plan, const unsigned char* image, size_t image_size, uint32_t y, uint16_t* out)
{
    return transform_line16(plan, image, image_size, y, out);
}

// Each decoded line goes straight to its oriented place: no full-size copy.
template <typename Out>
uint64_t scatter(TRANSFORM_PLAN* plan, const unsigned char* image, size_t image_size, const EXPORT_PICTURE* picture,
                 Out* pixels)
{
    const DECODE_LAYOUT* l = plan->layout;
    std::vector<Out> line((size_t)l->width * 4);
    const int n = picture->channels;
    uint64_t missing = 0;
    for (uint32_t y = 0; y < l->height; y++) {
        missing += decode_line(plan, image, image_size, y, line.data());
        for (uint32_t x = 0; x < l->width; x++) {
            uint32_t sx, sy;
            orient_from_file(picture->orientation, l->width, l->height, x, y, &sx, &sy);
            memcpy(pixels + ((size_t)sy * picture->width + sx) * n, &line[4 * (size_t)x], n * sizeof(Out));
        }
    }
    return missing;
}

} // namespace

void export_shape(const DECODE_LAYOUT* layout, int orientation, EXPORT_PICTURE* picture)
{
    picture->orientation = orientation >= 0 && orientation < 8 ? orientation : 0;
    orient_size(picture->orientation, layout->width, layout->height, &picture->width, &picture->height);
    if (layout->colour == DECODE_GREY)
        picture->channels = 1;
    else
        picture->channels = layout->alpha >= 0 ? 4 : 3;
    picture->bits = layout->bit_depth > 8 ? 16 : 8;
    picture->row_bytes = (uint64_t)picture->width * picture->channels * (picture->bits / 8);
    picture->bytes = picture->row_bytes * picture->height;
}

void export_picture(const DECODE_LAYOUT* layout, const unsigned char* image, size_t image_size,
                    const EXPORT_PICTURE* picture, unsigned char* pixels, uint64_t* missing)
{
    TRANSFORM_PLAN plan;
    transform_plan_init(&plan, layout, TRANSFORM_VIEW{TRANSFORM_COLOUR, 0}, picture->bits);
    if (picture->bits == 8)
        *missing = scatter(&plan, image, image_size, picture, pixels);
    else
        *missing = scatter(&plan, image, image_size, picture, (uint16_t*)pixels);
}
