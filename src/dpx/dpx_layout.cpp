#include "dpx/dpx_layout.h"

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

int dpx_layout_samples_per_pixel(uint8_t descriptor)
{
    if (descriptor <= 4 || (descriptor >= 6 && descriptor <= 9))
        return 1;
    switch (descriptor) {
    case 50:
        return 3;
    case 51:
    case 52:
        return 4;
    case 100: // Cb, Y, Cr, Y for two pixels
        return 2;
    case 101: // Cb, Y, A, Cr, Y, A for two pixels
        return 3;
    case 102:
        return 3;
    case 103:
        return 4;
    default:
        break;
    }
    if (descriptor >= 150 && descriptor <= 156)
        return descriptor - 148;
    return 0;
}

bool dpx_layout_line_bytes(uint64_t samples, uint8_t bit_depth, uint16_t packing, uint64_t* bytes)
{
    bool filled = packing == 1 || packing == 2;
    switch (bit_depth) {
    case 1:
    case 8:
        *bytes = word_bytes(saturating_mul(samples, bit_depth));
        return true;
    case 10:
        *bytes = filled ? saturating_mul(samples / 3 + (samples % 3 ? 1 : 0), 4)
                        : word_bytes(saturating_mul(samples, 10));
        return true;
    case 12:
        *bytes = word_bytes(saturating_mul(samples, filled ? 16 : 12));
        return true;
    case 16:
        *bytes = word_bytes(saturating_mul(samples, 16));
        return true;
    case 32:
        *bytes = saturating_mul(samples, 4);
        return true;
    case 64:
        *bytes = saturating_mul(samples, 8);
        return true;
    default:
        return false;
    }
}

uint32_t dpx_layout_defined_or_zero(uint32_t value)
{
    return value == 0xFFFFFFFFu ? 0 : value;
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
