#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dpx/dpx_print.h"

namespace {

struct range_text {
    int first;
    int last;
    const char* text;
};

typedef char* (*code_text_fn)(int, char*);

// Walks every code of the field's width and compares the text character by
// character with the published table; codes outside every row give "".
void expect_table(code_text_fn fn, const std::vector<range_text>& table, int codes, const char* name)
{
    for (int code = 0; code < codes; code++) {
        const char* expect = "";
        for (const range_text& r : table)
            if (r.first <= code && code <= r.last)
                expect = r.text;
        char buffer[DPX_PRINT_TEXT_SIZE];
        memset(buffer, '#', sizeof buffer);
        char* got = fn(code, buffer);
        ASSERT_EQ(buffer, got);
        ASSERT_STREQ(expect, got) << name << " code " << code;
    }
}

const std::vector<range_text> descriptor_table = {
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

std::vector<range_text> transfer_like(const char* c2, const char* c3, const char* c11, const char* c12)
{
    return {
        {0, 0, "User defined"},
        {1, 1, "Printing density"},
        {2, 2, c2},
        {3, 3, c3},
        {4, 4, "Unspecified video"},
        {5, 5, "SMPTE 274M"},
        {6, 6, "ITU-R 709-4"},
        {7, 7, "ITU-R 601-5 system B or G (625)"},
        {8, 8, "ITU-R 601-5 system M (525)"},
        {9, 9, "Composite video (NTSC)"},
        {10, 10, "Composite video (PAL)"},
        {11, 11, c11},
        {12, 12, c12},
        {13, 13, "SMPTE ST 2065-3 Academy Density Exchange Encoding (ADX)"},
        {14, 254, "Reserved for future use"},
    };
}

const std::vector<range_text> video_signal_table = {
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

const std::vector<range_text> orientation_table = {
    {0, 0, "Left to right / Top to bottom"},
    {1, 1, "Right to left / Top to bottom"},
    {2, 2, "Left to right / Bottom to top"},
    {3, 3, "Right to left / Bottom to top"},
    {4, 4, "Top to bottom / Left to right"},
    {5, 5, "Top to bottom / Right to left"},
    {6, 6, "Bottom to top / Left to right"},
    {7, 7, "Bottom to top / Right to left"},
    {8, 254, "Reserved for future use"},
};

const std::vector<range_text> packing_table = {
    {0, 0, "Packed into 32-bit words"},
    {1, 1, "Filled to 32-bit words, method A"},
    {2, 2, "Filled to 32-bit words, method B"},
    {3, 7, "Reserved for future use"},
};

std::string text(code_text_fn fn, int code)
{
    char buffer[DPX_PRINT_TEXT_SIZE];
    return fn(code, buffer);
}

std::string text32(char* (*fn)(uint32_t, char*), uint32_t value)
{
    char buffer[DPX_PRINT_TEXT_SIZE];
    return fn(value, buffer);
}

} // namespace

TEST(DpxPrint, EightBitTablesForEveryCode)
{
    expect_table(dpx_print_get_descriptor_text, descriptor_table, 256, "descriptor");
    expect_table(dpx_print_get_transfer_characteristic_text,
                 transfer_like("Linear", "Logarithmic", "Z (depth) - linear", "Z (depth) - homogeneous"), 256,
                 "transfer characteristic");
    expect_table(dpx_print_get_colorimetric_specification_text,
                 transfer_like("Not applicable", "Not applicable", "Not applicable", "Not applicable"), 256,
                 "colorimetric");
    expect_table(dpx_print_get_video_signal_standard_text, video_signal_table, 256, "video signal standard");
}

TEST(DpxPrint, SixteenBitTablesForEveryCode)
{
    expect_table(dpx_print_get_image_orientation_code_text, orientation_table, 65536, "orientation");
    expect_table(dpx_print_get_packing_text, packing_table, 65536, "packing");
}

TEST(DpxPrint, ArgumentsAreReducedToTheFieldWidth)
{
    EXPECT_EQ("R, G, B", text(dpx_print_get_descriptor_text, 306));
    EXPECT_EQ("", text(dpx_print_get_descriptor_text, 255));
    EXPECT_EQ("NTSC", text(dpx_print_get_video_signal_standard_text, 0x101));
    EXPECT_EQ("Filled to 32-bit words, method A", text(dpx_print_get_packing_text, 0x10001));
    EXPECT_EQ("Right to left / Top to bottom", text(dpx_print_get_image_orientation_code_text, 0x70001));
}

TEST(DpxPrint, ByteOrderText)
{
    EXPECT_EQ("Big Endian", text32(dpx_print_get_endian_text, 0x53445058));
    EXPECT_EQ("Little Endian", text32(dpx_print_get_endian_text, 0x58504453));
    EXPECT_EQ("Illegal Header", text32(dpx_print_get_endian_text, 0));
    EXPECT_EQ("Illegal Header", text32(dpx_print_get_endian_text, 0xFFFFFFFF));
    EXPECT_EQ("Illegal Header", text32(dpx_print_get_endian_text, 0x58445053));
}

TEST(DpxPrint, TimeCodeDigitsAndUserBits)
{
    EXPECT_EQ("", text32(dpx_print_get_smpte_time_code_text, 0xFFFFFFFF));
    EXPECT_EQ("23:59:59.29", text32(dpx_print_get_smpte_time_code_text, 0x23595929));
    EXPECT_EQ("10:20:30.40", text32(dpx_print_get_smpte_time_code_text, 0x10203040));
    EXPECT_EQ("01:00:00.00", text32(dpx_print_get_smpte_time_code_text, 0x01000000));
    EXPECT_EQ("00:00:00.00", text32(dpx_print_get_smpte_time_code_text, 0));
    EXPECT_EQ("25:00:00.00", text32(dpx_print_get_smpte_time_code_text, 0x1F000000));
    EXPECT_EQ("165:165:165.164", text32(dpx_print_get_smpte_time_code_text, 0xFFFFFFFE));

    EXPECT_EQ("", text32(dpx_print_get_smpte_user_bits_text, 0xFFFFFFFF));
    EXPECT_EQ("0xfffffffe", text32(dpx_print_get_smpte_user_bits_text, 0xFFFFFFFE));
    EXPECT_EQ("0x00000001", text32(dpx_print_get_smpte_user_bits_text, 1));
    EXPECT_EQ("0x12ab34cd", text32(dpx_print_get_smpte_user_bits_text, 0x12AB34CD));
    EXPECT_EQ("0x00000000", text32(dpx_print_get_smpte_user_bits_text, 0));
}
