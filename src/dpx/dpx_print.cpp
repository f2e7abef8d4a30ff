#include "dpx/dpx_print.h"

#include <cstdio>
#include <cstring>

#include "dpx/dpx_header.h"

namespace {

template <typename Code>
struct code_text {
    Code first;
    Code last;
    const char* text;
};

// Rows are in ascending order; the first row whose range holds the code wins,
// and a code that no row holds gets the empty text.
template <typename Code, size_t N>
char* code_text_lookup(const code_text<Code> (&list)[N], Code code, char* buffer)
{
    const char* text = "";
    for (const code_text<Code>& row : list) {
        if (row.first <= code && code <= row.last) {
            text = row.text;
            break;
        }
    }
    snprintf(buffer, DPX_PRINT_TEXT_SIZE, "%s", text);
    return buffer;
}

const char reserved_for_future_use[] = "Reserved for future use";
const char not_applicable[] = "Not applicable";

} // namespace

char* dpx_print_get_endian_text(uint32_t magic_number, char* buffer)
{
    const char* text = "Illegal Header";
    if (magic_number == DPX_MAGIC_BIG_ENDIAN)
        text = "Big Endian";
    else if (magic_number == DPX_MAGIC_LITTLE_ENDIAN)
        text = "Little Endian";
    snprintf(buffer, DPX_PRINT_TEXT_SIZE, "%s", text);
    return buffer;
}

char* dpx_print_get_descriptor_text(int descriptor, char* buffer)
{
    static const code_text<uint8_t> list[] = {
        {0, 0, "User defined (or unspecified single component)"},
        {1, 1, "Red (R)"},
        {2, 2, "Green (G)"},
        {3, 3, "Blue (B)"},
        {4, 4, "Alpha (matte)"},
        {6, 6, "Luma (Y)"},
        {7, 7, "Color Difference (Cb, Cr, subsampled by two)"},
        {8, 8, "Depth (Z)"},
        {9, 9, "Composite video"},
        {10, 49, "Reserved for future single components"},
        {50, 50, "R, G, B"},
        {51, 51, "R, G, B, Alpha"},
        {52, 52, "A, B, G, R"},
        {53, 99, "Reserved for future RGB ++ formats"},
        {100, 100, "Cb, Y, Cr, Y (4:2:2)"},
        {101, 101, "Cb, Y, A, Cr, Y, A (4:2:2:4)"},
        {102, 102, "Cb, Y, Cr (4:4:4)"},
        {103, 103, "Cb, Y, Cr, A (4:4:4:4)"},
        {104, 149, "Reserved for future CbYCr ++ formats"},
        {150, 150, "User-defined 2-component element"},
        {151, 151, "User-defined 3-component element"},
        {152, 152, "User-defined 4-component element"},
        {153, 153, "User-defined 5-component element"},
        {154, 154, "User-defined 6-component element"},
        {155, 155, "User-defined 7-component element"},
        {156, 156, "User-defined 8-component element"},
        {157, 254, "Reserved for future formats"},
    };
    return code_text_lookup(list, (uint8_t)descriptor, buffer);
}

char* dpx_print_get_transfer_characteristic_text(int transfer_characteristic, char* buffer)
{
    static const code_text<uint8_t> list[] = {
        {0, 0, "User defined"},
        {1, 1, "Printing density"},
        {2, 2, "Linear"},
        {3, 3, "Logarithmic"},
        {4, 4, "Unspecified video"},
        {5, 5, "SMPTE 274M"},
        {6, 6, "ITU-R 709-4"},
        {7, 7, "ITU-R 601-5 system B or G (625)"},
        {8, 8, "ITU-R 601-5 system M (525)"},
        {9, 9, "Composite video (NTSC)"},
        {10, 10, "Composite video (PAL)"},
        {11, 11, "Z (depth) - linear"},
        {12, 12, "Z (depth) - homogeneous"},
        {13, 13, "SMPTE ST 2065-3 Academy Density Exchange Encoding (ADX)"},
        {14, 254, reserved_for_future_use},
    };
    return code_text_lookup(list, (uint8_t)transfer_characteristic, buffer);
}

char* dpx_print_get_colorimetric_specification_text(int colorimetric_specification, char* buffer)
{
    static const code_text<uint8_t> list[] = {
        {0, 0, "User defined"},
        {1, 1, "Printing density"},
        {2, 2, not_applicable},
        {3, 3, not_applicable},
        {4, 4, "Unspecified video"},
        {5, 5, "SMPTE 274M"},
        {6, 6, "ITU-R 709-4"},
        {7, 7, "ITU-R 601-5 system B or G (625)"},
        {8, 8, "ITU-R 601-5 system M (525)"},
        {9, 9, "Composite video (NTSC)"},
        {10, 10, "Composite video (PAL)"},
        {11, 11, not_applicable},
        {12, 12, not_applicable},
        {13, 13, "SMPTE ST 2065-3 Academy Density Exchange Encoding (ADX)"},
        {14, 254, reserved_for_future_use},
    };
    return code_text_lookup(list, (uint8_t)colorimetric_specification, buffer);
}

char* dpx_print_get_image_orientation_code_text(int image_orientation, char* buffer)
{
    static const code_text<uint16_t> list[] = {
        {0, 0, "Left to right / Top to bottom"},
        {1, 1, "Right to left / Top to bottom"},
        {2, 2, "Left to right / Bottom to top"},
        {3, 3, "Right to left / Bottom to top"},
        {4, 4, "Top to bottom / Left to right"},
        {5, 5, "Top to bottom / Right to left"},
        {6, 6, "Bottom to top / Left to right"},
        {7, 7, "Bottom to top / Right to left"},
        {8, 254, reserved_for_future_use},
    };
    return code_text_lookup(list, (uint16_t)image_orientation, buffer);
}

char* dpx_print_get_packing_text(int packing, char* buffer)
{
    static const code_text<uint16_t> list[] = {
        {0, 0, "Packed into 32-bit words"},
        {1, 1, "Filled to 32-bit words, method A"},
        {2, 2, "Filled to 32-bit words, method B"},
        {3, 7, reserved_for_future_use},
    };
    return code_text_lookup(list, (uint16_t)packing, buffer);
}

char* dpx_print_get_smpte_time_code_text(uint32_t smpte_time_code, char* buffer)
{
    if (dpx_undefined_u32(smpte_time_code)) {
        buffer[0] = '\0';
        return buffer;
    }
    int part[4];
    for (int i = 0; i < 4; i++) {
        // Nibbles above 9 are not rejected: they enter the same sum.
        unsigned byte = smpte_time_code >> (24 - 8 * i) & 0xFF;
        part[i] = (int)(byte >> 4) * 10 + (int)(byte & 0x0F);
    }
    snprintf(buffer, DPX_PRINT_TEXT_SIZE, "%02d:%02d:%02d.%02d", part[0], part[1], part[2], part[3]);
    return buffer;
}

char* dpx_print_get_smpte_user_bits_text(uint32_t smpte_user_bits, char* buffer)
{
    if (dpx_undefined_u32(smpte_user_bits)) {
        buffer[0] = '\0';
        return buffer;
    }
    snprintf(buffer, DPX_PRINT_TEXT_SIZE, "0x%02x%02x%02x%02x", smpte_user_bits >> 24 & 0xFF,
             smpte_user_bits >> 16 & 0xFF, smpte_user_bits >> 8 & 0xFF, smpte_user_bits & 0xFF);
    return buffer;
}

char* dpx_print_get_video_signal_standard_text(int video_signal_standard, char* buffer)
{
    static const code_text<uint8_t> list[] = {
        {0, 0, "Undefined"},
        {1, 1, "NTSC"},
        {2, 2, "PAL"},
        {3, 3, "PAL-M"},
        {4, 4, "SECAM"},
        {5, 49, "Reserved for other composite video"},
        {50, 50, "YCbCr ITU-R 601-5 525-line, 2:1 interlace, 4:3 aspect ratio"},
        {51, 51, "YCbCr ITU-R 601-5 625-line, 2:1 interlace, 4:3 aspect ratio"},
        {52, 99, "Reserved for future component video"},
        {100, 100, "YCbCr ITU-R 601-5 525-line, 2:1 interlace, 16:9 aspect ratio"},
        {101, 101, "YCbCr ITU-R 601-5 625-line, 2:1 interlace, 16:9 aspect ratio"},
        {102, 149, "Reserved for future widescreen"},
        {150, 150, "YCbCr 1050-line, 2:1 interlace, 16:9 aspect ratio"},
        {151, 151, "YCbCr 1125-line, 2:1 interlace, 16:9 aspect ratio (SMPTE 274M)"},
        {152, 152, "YCbCr 1250-line, 2:1 interlace, 16:9 aspect ratio"},
        {153, 153, "YCbCr 1125-line, 2:1 interlace, 16:9 aspect ratio (SMPTE 240M)"},
        {154, 199, "Reserved for future high-definition interlace"},
        {200, 200, "YCBCR 525-line, 1:1 progressive, 16:9 aspect ratio"},
        {201, 201, "YCBCR 625-line, 1:1 progressive, 16:9 aspect ratio"},
        {202, 202, "YCBCR 750-line, 1:1 progressive, 16:9 aspect ratio (SMPTE 296M)"},
        {203, 203, "YCBCR 1125-line, 1:1 progressive, 16:9 aspect ratio (SMPTE 274M)"},
        {204, 254, "Reserved for future high-definition progressive"},
    };
    return code_text_lookup(list, (uint8_t)video_signal_standard, buffer);
}
