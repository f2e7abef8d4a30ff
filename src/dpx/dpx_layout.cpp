#include "dpx/dpx_layout.h"

#include <string>

namespace {

uint64_t saturating_mul(uint64_t a, uint64_t b)
{
    uint64_t r;
    return __builtin_mul_overflow(a, b, &r) ? UINT64_MAX : r;
}

uint64_t saturating_add(uint64_t a, uint64_t b)
{
    uint64_t r;
    return __builtin_add_overflow(a, b, &r) ? UINT64_MAX : r;
}

// Whole 32-bit words for `bits` bits, in bytes.
uint64_t word_bytes(uint64_t bits)
{
    return bits / 32 * 4 + (bits % 32 ? 4 : 0);
}

} // namespace

const unsigned char dpx_fallback_rgba[4] = {0, 0, 240, 255};

const char* dpx_fallback_text()
{
    static const std::string text = "(" + std::to_string(dpx_fallback_rgba[0]) + ", " +
                                    std::to_string(dpx_fallback_rgba[1]) + ", " +
                                    std::to_string(dpx_fallback_rgba[2]) + ")";
    return text.c_str();
}

const uint8_t dpx_bit_depths[DPX_BIT_DEPTH_COUNT] = {1, 8, 10, 12, 16, 32, 64};

namespace {

// Components in the order the file stores them.
const DPX_DESCRIPTOR_LAYOUT descriptor_layouts[] = {
    {0, DPX_KIND_NONE, 1, {"1"}, 1, false},
    {1, DPX_KIND_SINGLE, 1, {"R"}, 1, false},
    {2, DPX_KIND_SINGLE, 1, {"G"}, 1, false},
    {3, DPX_KIND_SINGLE, 1, {"B"}, 1, false},
    {4, DPX_KIND_SINGLE, 1, {"A"}, 1, false},
    {6, DPX_KIND_SINGLE, 1, {"Y"}, 1, false},
    {7, DPX_KIND_NONE, 1, {"1"}, 1, false},
    {8, DPX_KIND_SINGLE, 1, {"Z"}, 1, false},
    {9, DPX_KIND_NONE, 1, {"1"}, 1, false},
    {50, DPX_KIND_RGB, 3, {"R", "G", "B"}, 3, false},
    {51, DPX_KIND_RGB, 4, {"R", "G", "B", "A"}, 4, false},
    {52, DPX_KIND_RGB, 4, {"A", "B", "G", "R"}, 4, false},
    {100, DPX_KIND_YCBCR, 3, {"Cb", "Y", "Cr"}, 2, true},     // Cb, Y, Cr, Y for two pixels
    {101, DPX_KIND_YCBCR, 4, {"Cb", "Y", "A", "Cr"}, 3, true}, // Cb, Y, A, Cr, Y, A for two pixels
    {102, DPX_KIND_YCBCR, 3, {"Cb", "Y", "Cr"}, 3, false},
    {103, DPX_KIND_YCBCR, 4, {"Cb", "Y", "Cr", "A"}, 4, false},
    {150, DPX_KIND_USER, 2, {"1", "2"}, 2, false},
    {151, DPX_KIND_USER, 3, {"1", "2", "3"}, 3, false},
    {152, DPX_KIND_USER, 4, {"1", "2", "3", "4"}, 4, false},
    {153, DPX_KIND_USER, 5, {"1", "2", "3", "4", "5"}, 5, false},
    {154, DPX_KIND_USER, 6, {"1", "2", "3", "4", "5", "6"}, 6, false},
    {155, DPX_KIND_USER, 7, {"1", "2", "3", "4", "5", "6", "7"}, 7, false},
    {156, DPX_KIND_USER, 8, {"1", "2", "3", "4", "5", "6", "7", "8"}, 8, false},
};

} // namespace

const DPX_DESCRIPTOR_LAYOUT* dpx_layout_descriptor(uint8_t descriptor)
{
    for (const DPX_DESCRIPTOR_LAYOUT& row : descriptor_layouts) {
        if (row.descriptor == descriptor)
            return &row;
    }
    return nullptr;
}

bool dpx_layout_bit_depth_defined(uint8_t bit_depth)
{
    for (uint8_t bits : dpx_bit_depths) {
        if (bits == bit_depth)
            return true;
    }
    return false;
}

bool dpx_element_in_use(const DPX_HEADER* header, int index)
{
    return index >= 0 && index < (int)header->image_information.number_of_image_elements;
}

int dpx_layout_samples_per_pixel(uint8_t descriptor)
{
    const DPX_DESCRIPTOR_LAYOUT* row = dpx_layout_descriptor(descriptor);
    return row ? row->samples_per_pixel : 0;
}

bool dpx_layout_line_bytes(uint64_t samples, uint8_t bit_depth, uint16_t packing, uint64_t* bytes)
{
    if (!dpx_layout_bit_depth_defined(bit_depth))
        return false;
    bool filled = packing == 1 || packing == 2;
    if (bit_depth == 10 && filled) {
        *bytes = saturating_mul(samples / 3 + (samples % 3 ? 1 : 0), 4);
        return true;
    }
    if (bit_depth >= 32) { // floats: no word rounding
        *bytes = saturating_mul(samples, bit_depth / 8);
        return true;
    }
    *bytes = word_bytes(saturating_mul(samples, bit_depth == 12 && filled ? 16 : bit_depth));
    return true;
}

uint32_t dpx_layout_element_offset(const DPX_HEADER* header, int index)
{
    uint32_t offset = dpx_layout_defined_or_zero(header->image_information.image_element[index].offset_to_data);
    if (index == 0 && offset == 0)
        offset = dpx_layout_defined_or_zero(header->file_information.offset_to_image_data);
    return offset;
}

uint64_t dpx_layout_image_end(const DPX_HEADER* header)
{
    uint64_t end = DPX_HEADER_SIZE + (uint64_t)dpx_layout_defined_or_zero(header->file_information.user_defined_header_length);
    for (int i = 0; i < DPX_IMAGE_ELEMENT_COUNT; i++) {
        // The preview reads element 0 from its own offset, even a zero one.
        uint64_t starts[2] = {dpx_layout_element_offset(header, i),
                              i == 0 ? dpx_layout_defined_or_zero(header->image_information.image_element[0].offset_to_data)
                                     : 0};
        uint64_t bytes = 0;
        dpx_layout_element_bytes(header, i, &bytes);
        for (uint64_t start : starts) {
            uint64_t reach = saturating_add(start, bytes);
            if (reach > end)
                end = reach;
        }
    }
    return end;
}

uint32_t dpx_layout_defined_or_zero(uint32_t value)
{
    return dpx_undefined_u32(value) ? 0 : value;
}

bool dpx_layout_element_bytes(const DPX_HEADER* header, int index, uint64_t* bytes)
{
    const DPX_HEADER_IMAGE_INFORMATION& i = header->image_information;
    const DPX_HEADER_DATA_STRUCTURE& e = i.image_element[index];
    int per_pixel = dpx_layout_samples_per_pixel(e.descriptor);
    uint64_t line;
    if (per_pixel == 0 || !dpx_layout_line_bytes(saturating_mul(i.pixels_per_line, (uint64_t)per_pixel), e.bit_depth,
                                                 e.packing, &line))
        return false;
    line = saturating_add(line, dpx_layout_defined_or_zero(e.end_of_line_padding));
    *bytes = saturating_add(saturating_mul(line, i.lines_per_image_element),
                            dpx_layout_defined_or_zero(e.end_of_image_padding));
    return true;
}
