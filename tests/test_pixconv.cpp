// The preview converter against worked examples: a few pixels of every layout
// it converts, the fallback colour for the others and for missing bytes.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "dpx/dpx_io.h"
#include "pixconv/mtxcoe.h"
#include "pixconv/pixconv.h"
#include "support/dpx_writer.h"

namespace {

const bool BE = false, LE = true;

struct conversion {
    bool little;
    uint8_t descriptor, bits;
    uint16_t packing;
    uint32_t width, height;
    const char* source;  // bytes in hexadecimal
    const char* picture; // pixels as R,G,B (,A where not 255)
    bool converted = true;
};

const char* const no_converter = "0,0,240";
const conversion conversions[] = {
    {LE, 4, 8, 0, 2, 1, "4DC8", "77,77,77 200,200,200"},
    {BE, 6, 8, 1, 2, 1, "4DC8", "77,77,77 200,200,200"},
    // 8-bit RGB red first, as every writer stores it (README, deviations);
    // four pixels a step, then one alone, then one with a byte missing.
    {LE, 50, 8, 0, 7, 1, "0A141E FF0001 010203 040506 070809 0A0B0C 0D0E", "10,20,30 255,0,1 1,2,3 4,5,6 7,8,9 10,11,12 0,0,240"},
    {BE, 50, 8, 0, 2, 1, "0A141E FF0001", "10,20,30 255,0,1"},
    {LE, 50, 8, 1, 2, 1, "0A141E FF0001", "10,20,30 255,0,1"},
    {BE, 50, 8, 1, 2, 1, "0A141E FF0001", "10,20,30 255,0,1"},
    // 16 bits: 0x12FF, 0x8000, 0x00FF give 0x12, 0x80, 0: the low byte dropped.
    {LE, 50, 16, 0, 2, 1, "FF12 0080 FF00 FFFF 0001 007F", "18,128,0 255,1,127"},
    {BE, 50, 16, 0, 2, 1, "12FF 8000 00FF FFFF 0100 7F00", "18,128,0 255,1,127"},
    {LE, 50, 16, 1, 2, 1, "FF12 0080 FF00 FFFF 0001 007F", "18,128,0 255,1,127"},
    {BE, 50, 16, 1, 2, 1, "12FF 8000 00FF FFFF 0100 7F00", "18,128,0 255,1,127"},
    // Words 103AC800 (R 64, G 940, B 512) and FFE0000F (1023, 512, 3, the ignored bits set).
    {LE, 50, 10, 1, 2, 1, "00C83A10 0F00E0FF", "16,235,128 255,128,0"},
    {BE, 50, 10, 1, 2, 1, "103AC800 FFE0000F", "16,235,128 255,128,0"},
    {LE, 50, 10, 1, 4, 1, "00C83A10 00C83A10 AA", "16,235,128 16,235,128 0,0,240 0,0,240"},
    // An odd width: the second line starts at the fourth word.
    {LE, 50, 10, 1, 3, 2, "00000001 00000002 00000003 00000004 00000005 00000006", "1,0,0 2,0,0 3,0,0 4,0,0 5,0,0 6,0,0"},
    // 12 bits: words FFF0, 0010, 8000 give 255, 0, 128.
    {LE, 50, 12, 1, 2, 1, "F0FF 1000 0080 0F10 F07F 0000", "255,0,128 16,127,0"},
    {BE, 50, 12, 1, 2, 1, "FFF0 0010 8000 100F 7FF0 0000", "255,0,128 16,127,0"},
    {BE, 51, 8, 0, 2, 1, "0A141E28 01020304", "10,20,30,40 1,2,3,4"},
    // SMPTE 274M, truncated then clamped. Cb 128, Y 16, Cr 128, Y 235 gives 16
    // and 235 grey; Y 63, Cb 102, Cr 240 gives 239, 15, 14; Y 63, Cb 128, Cr
    // 240 gives G 10.6; Y 255, Cb 128, Cr 255 gives R 455; Y 180, Cb 16, Cr 16
    // gives B -27.8.
    {LE, 100, 8, 1, 4, 1, "801080EB 663FF03F", "16,16,16 235,235,235 239,15,14 239,15,14"},
    // 4:2:2 lines start on a group; the odd width's last Y (99) is never shown.
    {LE, 100, 8, 1, 3, 2, "800A800B 800C8063 8014 8015 8016 80", "10,10,10 11,11,11 12,12,12 20,20,20 21,21,21 0,0,240"},
    {LE, 102, 8, 1, 3, 2, "663FF0 803FF0 80FFFF 10B410 801080 80EB80",
     "239,15,14 239,10,63 255,195,255 3,253,0 16,16,16 235,235,235"},
    // 16 bits: Y 0x4000, Cb 0xC000, Cr 0x8000 give 64, 52, 182; Y 0, Cb
    // 0x8000, Cr 0 give 0, 59, 0; Y and Cr 0xFFFF clamp to 65535 before the shift.
    {LE, 100, 16, 0, 4, 1, "00C0 0040 0080 0040 0080 0000 0000 0000", "64,52,182 64,52,182 0,59,0 0,59,0"},
    {LE, 102, 16, 0, 3, 1, "00C0 0040 0080 0080 0000 0000 0080 FFFF FFFF", "64,52,182 0,59,0 255,196,255"},
    {BE, 50, 16, 0, 2, 2, "", "0,0,240 0,0,240 0,0,240 0,0,240"},
    {LE, 50, 10, 1, 0, 1080, "00000000", ""},
    {BE, 50, 10, 0, 1920, 0, "00000000", "", false},
    // No converter: 10-bit packed or method B, RGBA little-endian, YCbCr big-endian, other descriptors.
    {BE, 50, 10, 0, 1, 1, "01020304", no_converter, false},  {LE, 50, 10, 2, 1, 1, "01020304", no_converter, false},
    {LE, 51, 8, 0, 1, 1, "01020304", no_converter, false},   {BE, 100, 8, 1, 1, 1, "01020304", no_converter, false},
    {BE, 102, 16, 0, 1, 1, "01020304", no_converter, false}, {BE, 1, 8, 0, 1, 1, "01020304", no_converter, false},
    {BE, 52, 8, 0, 1, 1, "01020304", no_converter, false},   {LE, 101, 8, 1, 1, 1, "01020304", no_converter, false},
    {LE, 103, 8, 1, 1, 1, "01020304", no_converter, false},
};

// The header of a one-element file of that layout and source. It also
// declares end-of-line padding and a second element: the preview reads
// element 1 alone, its lines back to back.
bool read(dpx_writer* file, DPX_HEADER* h, bool little, uint8_t d, uint8_t bits, uint16_t packing, uint32_t w,
          uint32_t lines, const char* source)
{
    std::vector<unsigned char> data;
    for (const char* s = source; *s; s += *s == ' ' ? 1 : 2) {
        if (*s != ' ')
            data.push_back((unsigned char)std::stoul(std::string(s, 2), nullptr, 16));
    }
    *file = dpxw_edit(dpxw_image(dpx_layout{little, w, lines, d, bits, packing, 2048}, data),
                      {DPXW_ELEMENT0 + 32, 2, 4, DPXW_ELEMENT0 + DPXW_ELEMENT_SIZE + DPXW_EL_DESCRIPTOR, 6, 1});
    return dpx_io_header_read(file->bytes.data(), file->bytes.size(), h) == DPX_IO_OK;
}

} // namespace

TEST(Pixconv, LayoutsConvertAsWorkedOutByHand)
{
    for (const conversion& c : conversions) {
        SCOPED_TRACE(std::string(c.source) + " as " + std::to_string(c.descriptor) + ", " + std::to_string(c.bits) +
                     " bits, packing " + std::to_string(c.packing) + (c.little ? ", little-endian" : ", big-endian"));
        dpx_writer file;
        DPX_HEADER h;
        ASSERT_TRUE(read(&file, &h, c.little, c.descriptor, c.bits, c.packing, c.width, c.height, c.source));
        size_t size = 0;
        ASSERT_TRUE(pixconv_rgba_size(&h, &size));
        std::vector<unsigned char> rgba(size + 4, 0x55); // and four bytes past the picture, to stay as they are
        EXPECT_EQ(c.converted, pixconv_execute(&h, rgba.data()));
        std::string picture;
        for (size_t i = 0; i < size; i += 4) {
            picture += (i ? " " : "") + std::to_string(rgba[i]) + "," + std::to_string(rgba[i + 1]) + "," +
                       std::to_string(rgba[i + 2]) + (rgba[i + 3] == 255 ? "" : "," + std::to_string(rgba[i + 3]));
        }
        EXPECT_EQ(c.picture, picture);
        EXPECT_EQ(0x55555555u, rgba[size] | rgba[size + 1] << 8 | rgba[size + 2] << 16 | (uint32_t)rgba[size + 3] << 24);
    }
}

TEST(Pixconv, SidesAbove16384AreNeverConverted)
{
    const uint32_t sizes[][3] = {{16384, 16384, 1}, {16385, 1, 0}, {1, 16385, 0}, {0x80000000u, 1, 0}, {1, ~0u, 0}};
    for (const uint32_t* s : sizes) {
        dpx_writer file;
        DPX_HEADER h;
        ASSERT_TRUE(read(&file, &h, LE, 50, 10, 1, s[0], s[1], "00000000"));
        size_t size = 0;
        unsigned char guard[4] = {9, 9, 9, 9};
        EXPECT_EQ(s[2] == 1, pixconv_rgba_size(&h, &size)) << s[0] << " x " << s[1];
        EXPECT_EQ(s[2] ? (size_t)s[0] * s[1] * 4 : 0, size);
        EXPECT_TRUE(s[2] || (!pixconv_execute(&h, guard) && guard[0] == 9)) << s[0] << " x " << s[1];
    }
}

TEST(Pixconv, ColourMatricesAreFoundByTheirExactName)
{
    MTXCOE m;
    memset(&m, 0x5A, sizeof m);
    const MTXCOE untouched = m;
    EXPECT_EQ(-1, mtxcoe_read("smpte 274m", &m));
    EXPECT_EQ(-1, mtxcoe_read("SMPTE 274", &m));
    EXPECT_EQ(0, memcmp(&m, &untouched, sizeof m));
    ASSERT_EQ(0, mtxcoe_read("ITU-R601", &m));
    EXPECT_STREQ("Rec.ITU-R BT.601-5, Rec.ITU-R BT.1358", m.description);
}
