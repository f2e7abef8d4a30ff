#include "pixconv/pixconv.h"

#include <atomic>

#include "pixconv/pixconv_internal.h"
#include "pixconv/pixconv_vector.h"

namespace {
const uint32_t le = DPX_MAGIC_LITTLE_ENDIAN;
const uint32_t be = DPX_MAGIC_BIG_ENDIAN;
std::atomic<bool> vector_allowed{true};
} // namespace

const PIXCONV_FORMAT format_table[PIXCONV_FORMAT_COUNT] = {
    {4, 8, 0, le, pixconv_d004_b08_p0_le, 1, 1},
    {6, 8, 1, be, pixconv_d006_b08_p1_be, 1, 1},
    {50, 8, 0, le, pixconv_d050_b08_p0_le, 1, 3},
    {50, 8, 0, be, pixconv_d050_b08_p0_be, 1, 3},
    {50, 16, 0, le, pixconv_d050_b16_p0_le, 1, 6},
    {50, 16, 0, be, pixconv_d050_b16_p0_be, 1, 6},
    {50, 8, 1, le, pixconv_d050_b08_p1_le, 1, 3},
    {50, 8, 1, be, pixconv_d050_b08_p1_be, 1, 3},
    {50, 10, 1, le, pixconv_d050_b10_p1_le, 1, 4},
    {50, 10, 1, be, pixconv_d050_b10_p1_be, 1, 4},
    {50, 12, 1, le, pixconv_d050_b12_p1_le, 1, 6},
    {50, 12, 1, be, pixconv_d050_b12_p1_be, 1, 6},
    {50, 16, 1, le, pixconv_d050_b16_p1_le, 1, 6},
    {50, 16, 1, be, pixconv_d050_b16_p1_be, 1, 6},
    {51, 8, 0, be, pixconv_d051_b08_p0_be, 1, 4},
    {100, 8, 1, le, pixconv_d100_b08_p1_le, 2, 4},
    {100, 16, 0, le, pixconv_d100_b16_p0_le, 2, 8},
    {102, 8, 1, le, pixconv_d102_b08_p1_le, 1, 3},
    {102, 16, 0, le, pixconv_d102_b16_p0_le, 1, 6},
};

void pixconv_vector_paths(bool allowed)
{
    vector_allowed.store(allowed, std::memory_order_relaxed);
}

bool pixconv_avx2()
{
#if PIXCONV_AVX2
    static const bool has_avx2 = __builtin_cpu_supports("avx2");
    return has_avx2 && vector_allowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void pixconv_fill_fallback(unsigned char* dst, size_t pixels)
{
    for (size_t i = 0; i < pixels; i++)
        memcpy(dst + 4 * i, dpx_fallback_rgba, 4);
}

bool pixconv_rgba_size(const DPX_HEADER* header, size_t* bytes)
{
    uint32_t w = header->image_information.pixels_per_line;
    uint32_t h = header->image_information.lines_per_image_element;
    if (w > DPX_MAX_SIDE || h > DPX_MAX_SIDE)
        return false;
    // At most 2^14 x 2^14 x 4 = 2^30: fits any size_t of 32 bits or more.
    *bytes = (size_t)w * h * 4;
    return true;
}

const PIXCONV_FORMAT* pixconv_find(const DPX_HEADER* header)
{
    const DPX_HEADER_DATA_STRUCTURE* e = &header->image_information.image_element[0];
    for (const PIXCONV_FORMAT& row : format_table) {
        if (row.descriptor == e->descriptor && row.bit_depth == e->bit_depth && row.packing == e->packing &&
            row.magic_number == header->file_information.magic_number)
            return &row;
    }
    return nullptr;
}

size_t pixconv_line_bytes(const DPX_HEADER* header)
{
    size_t bytes;
    const PIXCONV_FORMAT* row = pixconv_find(header);
    if (!row || !pixconv_rgba_size(header, &bytes))
        return 0;
    size_t width = header->image_information.pixels_per_line;
    return (width + row->group_pixels - 1) / row->group_pixels * row->group_bytes;
}

// Every converter starts each line afresh at its line's bytes, so a band of
// lines converts alone to the bytes the whole picture would give there.
void pixconv_execute_lines(const DPX_HEADER* header, const unsigned char* src, size_t src_size, int first, int count,
                           unsigned char* rgba)
{
    size_t width = header->image_information.pixels_per_line;
    unsigned char* dst = rgba + (size_t)first * width * 4;
    const PIXCONV_FORMAT* row = pixconv_find(header);
    if (row)
        row->func(src, src ? src_size : 0, dst, (int)width, count);
    else
        pixconv_fill_fallback(dst, width * (size_t)count);
}

void pixconv_stream_fence()
{
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

bool pixconv_execute(const DPX_HEADER* header, unsigned char* rgba)
{
    size_t bytes;
    if (!pixconv_rgba_size(header, &bytes))
        return false;
    pixconv_execute_lines(header, header->image_data, header->image_data_size, 0,
                          (int)header->image_information.lines_per_image_element, rgba);
    pixconv_stream_fence();
    return pixconv_find(header) != nullptr;
}
