// The preview converter and the Picture decoder on the files other programs
// wrote (tests/data) and on crafted files, byte by byte: code values and
// colours worked out by hand, views, refusals, orientation codes, export and
// PNG, and the fuzzing seeds.
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "dpx/dpx_io.h"
#include "dpx/dpx_layout.h"
#include "picture/export.h"
#include "picture/orient.h"
#include "picture/padding.h"
#include "picture/rgbline.h"
#include "png/png_export.h"
#include "picture/transform.h"
#include "picture/unpack.h"
#include "pixconv/pixconv.h"
#include "support/dpx_writer.h"
#include "support/layout_corpus.h"

namespace {

typedef std::vector<unsigned char> bytes;
const bool BE = false, LE = true;
const TRANSFORM_VIEW colour{TRANSFORM_COLOUR, 0}, luma{TRANSFORM_LUMA, 0};
enum : uint32_t { E0 = DPXW_ELEMENT0, E1 = E0 + DPXW_ELEMENT_SIZE, REF_LOW = 4, REF_HIGH = 12, EOL_PADDING = 32 };

// A file's header, and its element `index` decoded.
struct element { bytes image; DPX_HEADER header{}; DECODE_LAYOUT layout{}; bool ok = false; std::string reason{}; };

element decode(bytes image, int index = 0)
{
    element e{std::move(image)};
    char reason[DECODE_REASON_SIZE] = "";
    e.ok = dpx_io_header_read(e.image.data(), e.image.size(), &e.header) == DPX_IO_OK &&
           decode_layout(&e.header, index, &e.layout, reason);
    e.reason = reason;
    return e;
}

bytes show(const element& e, TRANSFORM_VIEW view, uint64_t* missing)
{
    bytes rgba((size_t)e.layout.width * e.layout.height * 4);
    transform_picture(&e.layout, e.image.data(), e.image.size(), view, rgba.data(), missing);
    return rgba;
}

// Pixel x, y as the window reads it out: each component's name and code.
std::string readout(const element& e, uint32_t x, uint32_t y)
{
    double c[DECODE_MAX_COMPONENTS];
    std::ostringstream out;
    for (int k = 0; unpack_pixel(&e.layout, e.image.data(), e.image.size(), x, y, c) && k < e.layout.components; k++)
        out << (k ? " " : "") << e.layout.names[k] << " " << c[k];
    return out.str().empty() ? "missing" : out.str();
}

struct conversion { bytes file; const char* picture; bool converted = true; }; // pixels as R,G,B (,A where not 255)

const conversion conversions[] = {
    {dpx(LE, 2, 1, 4, 8, 0, "4DC8"), "77,77,77 200,200,200"}, {dpx(BE, 2, 1, 6, 8, 1, "4DC8"), "77,77,77 200,200,200"},
    // 8-bit RGB red first, as every writer stores it (README, deviations);
    // four pixels a step, then one alone, then one with a byte missing.
    {dpx(LE, 8, 1, 50, 8, 0, "0A141E FF0001 010203 040506 070809 0A0B0C 0D0E"),
     "10,20,30 255,0,1 1,2,3 4,5,6 7,8,9 10,11,12 0,0,240 0,0,240"},
    {dpx(BE, 2, 1, 50, 8, 0, "0A141E FF0001"), "10,20,30 255,0,1"}, {dpx(LE, 2, 1, 50, 8, 1, "0A141E FF0001"), "10,20,30 255,0,1"},
    {dpx(BE, 2, 1, 50, 8, 1, "0A141E FF0001"), "10,20,30 255,0,1"},
    // 16 bits: 0x12FF, 0x8000, 0x00FF give 0x12, 0x80, 0: the low byte dropped.
    {dpx(LE, 2, 1, 50, 16, 0, "FF12 0080 FF00 FFFF 0001 007F"), "18,128,0 255,1,127"},
    {dpx(BE, 2, 1, 50, 16, 0, "12FF 8000 00FF FFFF 0100 7F00"), "18,128,0 255,1,127"},
    {dpx(LE, 2, 1, 50, 16, 1, "FF12 0080 FF00 FFFF 0001 007F"), "18,128,0 255,1,127"},
    {dpx(BE, 2, 1, 50, 16, 1, "12FF 8000 00FF FFFF 0100 7F00"), "18,128,0 255,1,127"},
    // Words 103AC800 (R 64, G 940, B 512) and FFE0000F (1023, 512, 3, the ignored bits set).
    {dpx(LE, 2, 1, 50, 10, 1, "00C83A10 0F00E0FF"), "16,235,128 255,128,0"},
    {dpx(BE, 2, 1, 50, 10, 1, "103AC800 FFE0000F"), "16,235,128 255,128,0"},
    {dpx(LE, 4, 1, 50, 10, 1, "00C83A10 00C83A10 AA"), "16,235,128 16,235,128 0,0,240 0,0,240"},
    // An odd width: the second line starts at the fourth word.
    {dpx(LE, 3, 2, 50, 10, 1, "00000001 00000002 00000003 00000004 00000005 00000006"), "1,0,0 2,0,0 3,0,0 4,0,0 5,0,0 6,0,0"},
    // 12 bits: words FFF0, 0010, 8000 give 255, 0, 128.
    {dpx(LE, 2, 1, 50, 12, 1, "F0FF 1000 0080 0F10 F07F 0000"), "255,0,128 16,127,0"},
    {dpx(BE, 2, 1, 50, 12, 1, "FFF0 0010 8000 100F 7FF0 0000"), "255,0,128 16,127,0"},
    {dpx(BE, 2, 1, 51, 8, 0, "0A141E28 01020304"), "10,20,30,40 1,2,3,4"},
    // SMPTE 274M, truncated then clamped. Cb 128, Y 16, Cr 128, Y 235 gives 16
    // and 235 grey; Y 63, Cb 102, Cr 240 gives 239, 15, 14; Y 63, Cb 128, Cr
    // 240 gives G 10.6; Y 255, Cb 128, Cr 255 gives R 455; Y 180, Cb 16, Cr 16
    // gives B -27.8. 4:2:2 lines start on a group: the odd width's last Y (99)
    // is never shown.
    {dpx(LE, 4, 1, 100, 8, 1, "801080EB 663FF03F"), "16,16,16 235,235,235 239,15,14 239,15,14"},
    {dpx(LE, 3, 2, 100, 8, 1, "800A800B 800C8063 8014 8015 8016 80"), "10,10,10 11,11,11 12,12,12 20,20,20 21,21,21 0,0,240"},
    {dpx(LE, 3, 2, 102, 8, 1, "663FF0 803FF0 80FFFF 10B410 801080 80EB80"), "239,15,14 239,10,63 255,195,255 3,253,0 16,16,16 235,235,235"},
    // 16 bits: Y 0x4000, Cb 0xC000, Cr 0x8000 give 64, 52, 182; Y 0, Cb
    // 0x8000, Cr 0 give 0, 59, 0; Y and Cr 0xFFFF clamp to 65535 before the shift.
    {dpx(LE, 4, 1, 100, 16, 0, "00C0 0040 0080 0040 0080 0000 0000 0000"), "64,52,182 64,52,182 0,59,0 0,59,0"},
    {dpx(LE, 3, 1, 102, 16, 0, "00C0 0040 0080 0080 0000 0000 0080 FFFF FFFF"), "64,52,182 0,59,0 255,196,255"},
    // Every sum within 3.3 of a multiple of 256 (the second R 58880.7751, 230 x 256 + 0.78), so that a
    // coefficient one unit off in its fourth decimal moves one across. The first G is 256 exactly, and
    // 255.99999999999997 (0) if Cb' and Cr' are added together before Y: Cb 0x3C00, Y 0x0700, Cr 0xA800.
    {dpx(LE, 4, 1, 102, 16, 0, "003C 0007 00A8 82A3 1C21 01FD D6B0 6260 22E7 82D6 5760 429E"),
     "70,1,0 230,0,98 255,38,187 143,66,255"},
    {dpx(BE, 2, 2, 50, 16, 0, ""), "0,0,240 0,0,240 0,0,240 0,0,240"}, {dpx(LE, 0, 1080, 50, 10, 1, "00000000"), ""},
    {dpx(BE, 1920, 0, 50, 10, 0, "00000000"), "", false},
    // No converter: 10-bit packed or method B, RGBA little-endian, YCbCr big-endian, other descriptors.
    {dpx(BE, 1, 1, 50, 10, 0, "01020304"), "0,0,240", false}, {dpx(LE, 1, 1, 50, 10, 2, "01020304"), "0,0,240", false},
    {dpx(LE, 1, 1, 51, 8, 0, "01020304"), "0,0,240", false}, {dpx(BE, 1, 1, 100, 8, 1, "01020304"), "0,0,240", false},
    {dpx(BE, 1, 1, 102, 16, 0, "01020304"), "0,0,240", false}, {dpx(BE, 1, 1, 1, 8, 0, "01020304"), "0,0,240", false},
    {dpx(BE, 1, 1, 52, 8, 0, "01020304"), "0,0,240", false}, {dpx(LE, 1, 1, 101, 8, 1, "01020304"), "0,0,240", false},
    {dpx(LE, 1, 1, 103, 8, 1, "01020304"), "0,0,240", false},
};

} // namespace

TEST(Preview, LayoutsConvertAsWorkedOutByHand)
{
    for (const conversion& c : conversions) {
        element e = decode(c.file);
        SCOPED_TRACE(c.picture);
        // None counts: the preview reads element 1 alone, its lines back to back, YCbCr through SMPTE 274M.
        e.header.image_information.image_element[0].end_of_line_padding = 2;
        e.header.image_information.image_element[0].colorimetric_specification = 7;
        e.header.image_information.image_element[1].descriptor = 6;
        size_t size = 0;
        ASSERT_TRUE(pixconv_rgba_size(&e.header, &size));
        bytes rgba(size + 4, 0x55); // and four bytes past the picture that stay as they are
        EXPECT_EQ(c.converted, pixconv_execute(&e.header, rgba.data()));
        std::ostringstream picture;
        for (size_t i = 0; i < size; i += 4) {
            picture << (i ? " " : "") << +rgba[i] << "," << +rgba[i + 1] << "," << +rgba[i + 2];
            picture << (rgba[i + 3] == 255 ? "" : "," + std::to_string(rgba[i + 3]));
        }
        EXPECT_EQ(c.picture, picture.str());
        EXPECT_EQ(bytes(4, 0x55), bytes(rgba.end() - 4, rgba.end()));
    }
}

TEST(Preview, SidesAbove16384AreNeverConverted)
{
    const uint32_t sizes[][3] = {{16384, 16384, 1}, {16385, 1, 0}, {1, 16385, 0}, {0x80000000u, 1, 0}, {1, ~0u, 0}};
    for (const uint32_t* s : sizes) {
        const element e = decode(dpx(LE, s[0], s[1], 50, 10, 1, "00000000"));
        size_t size = 0;
        unsigned char guard[4] = {9, 9, 9, 9};
        EXPECT_EQ(s[2] == 1, pixconv_rgba_size(&e.header, &size)) << s[0] << " x " << s[1];
        EXPECT_EQ(s[2] ? (size_t)s[0] * s[1] * 4 : 0, size);
        EXPECT_TRUE(s[2] || (!pixconv_execute(&e.header, guard) && guard[0] == 9)) << s[0] << " x " << s[1];
    }
}

namespace {

typedef int quadrants[4][3]; // R, G, B at the top left, top right, bottom left and bottom right
const quadrants rgbw = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
const quadrants luma601 = {{76, 76, 76}, {150, 150, 150}, {29, 29, 29}, {255, 255, 255}}; // 0.299, 0.587, 0.114, 1
const quadrants red_as_grey = {{255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}};
// OpenImageIO premultiplies and linearises its half-transparent colours: 14135 of 65535 in a full channel.
const quadrants premultiplied = {{55, 0, 0}, {0, 55, 0}, {0, 0, 55}, {55, 55, 55}};
const quadrants fallback = {{0, 0, 240}, {0, 0, 240}, {0, 0, 240}, {0, 0, 240}};

// The tolerance, in 8-bit levels. 1: codes scaled with rounding, and writers
// that store a full channel a little short (GraphicsMagick 1022 of 1023,
// FFmpeg 1018 of 1023 or 65139 of 65535, 253.5) or a few codes in an empty one
// (FFmpeg's blue 4 in its green quadrant). 2: luma files, whose writers round
// the weights at their own depth (GraphicsMagick 306, 600, 116 of 1023). 3:
// GraphicsMagick's 4:2:2, its BT.601 codes rounded to 10 bits (half a code
// moves a colour up to 0.3 levels through the matrix) and its white written
// 943, not 940. The readout of pixel x, y is read by hand from the file.
// Columns stored 0 at the right (zero), or left unchecked each side of the vertical edge (edge).
struct peer { const char* name; const quadrants* shows; int alpha, tolerance; uint32_t x, y; const char* readout;
              uint32_t zero = 0, edge = 0; };

const peer peers[] = {
    {"ffmpeg-abgr.dpx", &rgbw, 128, 1, 0, 0, "A 128 B 0 G 0 R 255"},          // bytes 80 00 00 FF
    {"ffmpeg-gbrp10be.dpx", &rgbw, 255, 1, 0, 0, "R 1018 G 0 B 0"},            // method A word FE800000
    {"ffmpeg-gray16be.dpx", &luma601, 255, 2, 0, 0, "Y 19375"},                // 4BAF
    {"ffmpeg-rgb10-le.dpx", &rgbw, 255, 1, 16, 0, "R 1 G 1022 B 4"},           // little-endian word 007FE010
    {"ffmpeg-rgb12-le.dpx", &rgbw, 255, 1, 0, 8, "R 6 G 0 B 4081"},            // words 0060 0000 FF10, bits 15..4
    {"ffmpeg-rgb16-be.dpx", &rgbw, 255, 2, 31, 15, "R 65283 G 65283 B 65283"}, // FF03
    {"ffmpeg-rgb16-le.dpx", &rgbw, 255, 2, 31, 15, "R 65283 G 65283 B 65283"},
    {"ffmpeg-rgba.dpx", &rgbw, 128, 1, 0, 0, "R 255 G 0 B 0 A 128"},
    {"ffmpeg-rgba64le.dpx", &rgbw, 128, 2, 0, 0, "R 65139 G 0 B 0 A 32896"}, // 73 FE 00 00 00 00 80 80
    // Words 4C9324C8: three samples of 0x132; the word of each line's last two samples left 0.
    {"gm-gray10.dpx", &luma601, 255, 2, 0, 0, "Y 306", 2},
    // Big-endian packed: pixel 16 starts at bit 480, word 000FF800, G in bits 19..10.
    {"gm-rgb10-packed.dpx", &rgbw, 255, 1, 16, 0, "R 0 G 1022 B 0"},
    // Method A word 5A145EF8; chroma filtered before subsampling blends two pairs each side of the edge.
    {"gm-ycc422-10.dpx", &rgbw, 255, 3, 0, 0, "Cb 360 Y 325 Cr 958", 0, 4},
    {"imagemagick-rgba8-be.dpx", &rgbw, 128, 1, 0, 0, "R 255 G 0 B 0 A 128"},
    {"odd37-gm-gray10.dpx", &luma601, 255, 2, 36, 0, "Y 600"}, // a line's last word 00000960, bits 11..2
    // Bits 1080..1109 of the last line, which starts at byte 18 x 140.
    {"odd37-oiio-rgb10-packed.dpx", &rgbw, 255, 1, 36, 18, "R 1023 G 1023 B 1023"},
    {"oiio-luma10.dpx", &red_as_grey, 255, 1, 0, 0, "R 1023"},
    {"oiio-rgb-float.dpx", &rgbw, 255, 1, 31, 15, "R 1 G 1 B 1"}, // 3F800000, little-endian
    // Little-endian method B words 3FF00000, 000FFC00, 000003FF, 3FFFFFFF.
    {"oiio-rgb10-methodB.dpx", &rgbw, 255, 1, 16, 15, "R 1023 G 1023 B 1023"},
    // Word 00000FFC: stored top first, orientation 2, blue at the bottom left.
    {"oiio-rgb10-orient-bottomup.dpx", &rgbw, 255, 1, 0, 15, "R 0 G 0 B 1023"},
    // Little-endian packed bytes FF 0F 00 00 F0 FF: R 0xFFF, G 0, B 0, R 0xFFF.
    {"oiio-rgb12-default.dpx", &rgbw, 255, 1, 1, 0, "R 4095 G 0 B 0"},
    {"oiio-rgba16.dpx", &premultiplied, 128, 1, 0, 0, "R 14135 G 0 B 0 A 32896"},
    {"", &rgbw, 255, 1, 0, 0, ""}, // every other file: plain RGB
};

// The first pixel off its quadrant's colour, or "".
std::string off_colour(const bytes& rgba, const DECODE_LAYOUT& l, const peer& p)
{
    for (uint32_t y = 0, w = l.width; y < l.height; y++) {
        for (uint32_t x = 0; x < w; x++) {
            const int* want = (*p.shows)[(x >= w / 2) + 2 * (y >= l.height / 2)];
            for (int k = 0; k < 4 && (x + p.edge < w / 2 || x >= w / 2 + p.edge); k++) {
                const int level = k == 3 ? p.alpha : x >= w - p.zero ? 0 : want[k];
                if (abs(rgba[4 * (y * w + x) + k] - level) > p.tolerance)
                    return std::to_string(x) + "," + std::to_string(y) + " channel " + std::to_string(k);
            }
        }
    }
    return "";
}

} // namespace

TEST(Picture, EveryFileShowsItsQuadrantsInThePictureAndThePreview)
{
    const std::vector<std::string> paths = dpxw_peer_files();
    EXPECT_EQ(33u, paths.size());
    for (const std::string& path : paths) {
        const std::string name = std::filesystem::path(path).filename();
        const peer* p = std::find_if(peers, std::end(peers) - 1, [&](const peer& q) { return name == q.name; });
        const element e = decode(dpxw_load(path));
        SCOPED_TRACE(name);
        ASSERT_TRUE(e.ok) << e.reason;
        uint64_t missing = 1;
        EXPECT_EQ("", off_colour(show(e, colour, &missing), e.layout, *p)) << "picture";
        EXPECT_EQ(0u, missing);
        EXPECT_EQ(p->readout, *p->readout ? readout(e, p->x, p->y) : "");
        EXPECT_EQ(name == "oiio-rgb10-orient-bottomup.dpx" ? 2 : 0, e.layout.orientation);
        bytes preview((size_t)e.layout.width * e.layout.height * 4);
        const peer none{"", &fallback, 255, 0, 0, 0, ""}; // no converter: the fallback colour
        const bool converted = pixconv_execute(&e.header, preview.data());
        EXPECT_EQ("", off_colour(preview, e.layout, converted ? *p : none)) << "preview";
    }
}

namespace {

// Pixels as "x,y codes = R G B A", the codes as the window reads them out.
// `standard`: read as the standard says, not as a scanner writes; `padding`: the padding-bits line.
struct layout_case { bytes file; std::vector<std::string> pixels; TRANSFORM_VIEW view = colour; int element = 0;
                     uint64_t missing = 0; bool standard = false; const char* padding = nullptr; };

bytes scanner(const char* name) { return dpxw_load(dpxw_data_dir() + "/scanners/" + name); }
// Input device name "Scanity".
#define SCANITY 1556, 0x5363616E, 4, 1560, 0x6974, 2, 1562, 'y', 1

// Element 2: 8-bit luma at 2056, after element 1's two 10-bit words.
const bytes two_elements = dpx(LE, 2, 1, 50, 10, 1, "00C83A10 0C00E0FF 07C80000",
                                 {DPXW_ELEMENT_COUNT, 2, 2, E1 + DPXW_EL_DESCRIPTOR, 6, 1, E1 + DPXW_EL_BIT_DEPTH, 8, 1,
                                  E1 + DPXW_EL_OFFSET_TO_DATA, 2056, 4});
const std::string white = " = 255 255 255 255", black = " = 0 0 0 255", rgba8 = "C8643219";

const layout_case layout_cases[] = {
    // 12 bits, method B: values in bits 11..0, the top four bits junk (F in FABC).
    {dpx(BE, 2, 1, 50, 12, 2, "FABC 0123 0FFF 0000 0800 0001"),
     {"0,0 R 2748 G 291 B 4095 = 171 18 255 255", "1,0 R 0 G 2048 B 1 = 0 128 0 255"}},
    // Four bytes of end-of-line padding between the lines.
    {dpx(BE, 1, 2, 50, 10, 1, "103AC800 DEADBEEF FFE0000C", {E0 + EOL_PADDING, 4, 4}),
     {"0,0 R 64 G 940 B 512 = 16 234 128 255", "0,1 R 1023 G 512 B 3 = 255 128 1 255"}},
    // 1 bit: words 80000001 and 00000082, least significant bit first.
    {dpx(LE, 40, 1, 6, 1, 0, "01000080 82000000"),
     {"0,0 Y 1" + white, "1,0 Y 0" + black, "31,0 Y 1" + white, "32,0 Y 0" + black, "33,0 Y 1" + white}},
    // 33 pixels take two words a line: 80000001 00000001, then 00000002.
    {dpx(BE, 33, 2, 6, 1, 0, "80000001 00000001 00000002 00000000"),
     {"0,0 Y 1" + white, "32,0 Y 1" + white, "0,1 Y 0" + black, "1,1 Y 1" + white}},
    // 64-bit floats 0.5, 2, -1, 0.25, NaN and 1 clamped to 0..1; NaN shows as 0.
    {dpx(LE, 2, 1, 50, 64, 0, "000000000000E03F 0000000000000040 000000000000F0BF 000000000000D03F 000000000000F87F 000000000000F03F"),
     {"0,0 R 0.5 G 2 B -1 = 128 255 0 255", "1,0 R 0.25 G nan B 1 = 64 0 255 255"}},
    {dpx(BE, 1, 1, 50, 64, 0, "3FD0000000000000 0000000000000000 3FF0000000000000"), {"0,0 R 0.25 G 0 B 1 = 64 0 255 255"}},
    // Cb Y0 A0 Cr Y1 A1 | Cb Y2 A2, three bytes of line fill; the last pixel has
    // no Cr: neutral. Levels 16..235: Y2 126 is 110/219, Cb 90 is -38/224.
    {dpx(LE, 3, 1, 101, 8, 1, "80EBFF80 10005A7E 4DEEEEEE"),
     {"0,0 Cb 128 Y 235 A 255 Cr 128" + white, "1,0 Cb 128 Y 16 A 0 Cr 128 = 0 0 0 0", "2,0 Cb 90 Y 126 A 77 Cr 128 = 128 136 48 77"}},
    // 10 bits, words 803AC800 and 1012C7D0. Y 500 is 436/876, Cb 300 is -212/896.
    {dpx(BE, 3, 2, 100, 10, 1, "803AC800 1012C7D0 803AC800 1012C7D0"),
     {"0,0 Cb 512 Y 940 Cr 512" + white, "1,1 Cb 512 Y 64 Cr 512" + black, "2,1 Cb 300 Y 500 Cr 512 = 127 138 15 255"}},
    // Y 429, Cb 11, Cr 42: G is 195.5 levels exactly (365/876 + 0.187 x 501/896 + 0.4679 x 470/896
    // = 23/30). Y' + Cb' first, then Cr', gives 0.76666666666666672, 196; Cb' + Cr' first 0.7666...61, 195.
    {dpx(BE, 4, 1, 100, 10, 1, "02DAD0A8 6B40B6B4 0A9AD000"),
     {"0,0 Cb 11 Y 429 Cr 42 = 0 196 0 255", "3,0 Cb 11 Y 429 Cr 42 = 0 196 0 255"}},
    // 32-bit floats, full range, chroma centred on 0.5: the odd width's last Cr reads as 0.5.
    {dpx(LE, 3, 1, 100, 32, 0, "0000003F 0000803F 0000003F 00000000 0000003F 0000003F"), {"2,0 Cb 0.5 Y 0.5 Cr 0.5 = 128 128 128 255"}},
    // 16 bits, levels 4096..60160: white, and black at half alpha.
    {dpx(BE, 2, 1, 103, 16, 0, "8000 EB00 8000 FFFF 8000 1000 8000 8000"),
     {"0,0 Cb 32768 Y 60160 Cr 32768 A 65535" + white, "1,0 Cb 32768 Y 4096 Cr 32768 A 32768 = 0 0 0 128"}},
    // Y half way, Cr at its top: G is 0.5 - 0.5 x 0.714 under ITU-R 601
    // (colorimetric codes 7 and 8), 0.5 - 0.5 x 0.4679 under SMPTE 274M.
    {dpx(LE, 1, 1, 102, 10, 1, "006F1F80", {E0 + DPXW_EL_COLORIMETRIC, 7, 1}), {"0,0 Cb 512 Y 502 Cr 960 = 255 36 128 255"}},
    {dpx(LE, 1, 1, 102, 10, 1, "006F1F80", {E0 + DPXW_EL_COLORIMETRIC, 8, 1}), {"0,0 Cb 512 Y 502 Cr 960 = 255 36 128 255"}},
    {dpx(LE, 1, 1, 102, 10, 1, "006F1F80", {E0 + DPXW_EL_COLORIMETRIC, 6, 1}), {"0,0 Cb 512 Y 502 Cr 960 = 255 68 128 255"}},
    // Levels of 16-bit codes 4096..60160, each within 0.13 of a rounding edge (R 51.51, G 206.49, B 76.54,
    // ...), so that an ITU-R 601 coefficient one unit off in its third decimal moves one across.
    {dpx(LE, 3, 1, 102, 16, 0, "E45D D38C 3545 2848 9D86 5C2F 8F21 99C4 7F2B", {E0 + DPXW_EL_COLORIMETRIC, 8, 1}),
     {"0,0 Cb 24036 Y 36051 Cr 17717 = 52 206 77 255", "1,0 Cb 18472 Y 34461 Cr 12124 = 9 226 25 255",
      "2,0 Cb 8591 Y 50329 Cr 11135 = 75 255 20 255"}},
    // References 0..4095 (full range) show Y 2008 as 125; undefined, or low not
    // below high, give 16..235 at 8 bits, where 128 is 112/219.
    {dpx(LE, 1, 1, 102, 12, 1, "0080807D00800000", {E0 + REF_LOW, 0, 4, E0 + REF_HIGH, 4095, 4}),
     {"0,0 Cb 2048 Y 2008 Cr 2048 = 125 125 125 255"}},
    {dpx(LE, 1, 1, 102, 8, 1, "80808000", {E0 + REF_LOW, 0, 4, E0 + REF_HIGH, ~0u, 4}), {"0,0 Cb 128 Y 128 Cr 128 = 130 130 130 255"}},
    {dpx(LE, 1, 1, 102, 8, 1, "80808000", {E0 + REF_LOW, 200, 4, E0 + REF_HIGH, 100, 4}), {"0,0 Cb 128 Y 128 Cr 128 = 130 130 130 255"}},
    {dpx(LE, 1, 1, 102, 8, 1, "80808000", {E0 + REF_LOW, 16, 4, E0 + REF_HIGH, 16, 4}), {"0,0 Cb 128 Y 128 Cr 128 = 130 130 130 255"}},
    // A, B, G, R reordered; R, G, B, A as stored; a matte alone as grey and opaque.
    {dpx(BE, 1, 1, 52, 8, 0, "193264C8"), {"0,0 A 25 B 50 G 100 R 200 = 200 100 50 25"}},
    {dpx(LE, 1, 1, 51, 8, 0, rgba8), {"0,0 R 200 G 100 B 50 A 25 = 200 100 50 25"}},
    {dpx(LE, 1, 1, 4, 8, 0, "4D000000"), {"0,0 A 77 = 77 77 77 255"}},
    // Every line starts on a 32-bit word; undefined end-of-line padding is none.
    {dpx(BE, 1, 2, 8, 16, 0, "8000EEEE FFFF0000", {E0 + EOL_PADDING, ~0u, 4}), {"0,0 Z 32768 = 128 128 128 255", "0,1 Z 65535" + white}},
    {dpx(BE, 3, 2, 50, 12, 0, "00000000000000000000000000000000 00000FFF000000000000000000000000"), {"0,1 R 4095 G 0 B 0 = 255 0 0 255"}},
    // A single component starts at bits 9..0 of word 3FF00401.
    {dpx(LE, 3, 1, 6, 10, 2, "0104F03F"), {"0,0 Y 1" + black, "2,0 Y 1023" + white}},
    // Two elements of different layouts.
    {two_elements, {"0,0 R 64 G 940 B 512 = 16 234 128 255", "1,0 R 1023 G 512 B 3 = 255 128 1 255"}},
    {two_elements, {"0,0 Y 7 = 7 7 7 255", "1,0 Y 200 = 200 200 200 255"}, colour, 1},
    // 16 bytes a line, 26 in the file: line 0, two pixels of line 1 and half a word.
    {dpx(BE, 4, 4, 50, 10, 1, "FF000000 FF000000 FF000000 FF000000 FF000000 FF000000 FF00"),
     {"3,0 R 1020 G 0 B 0 = 254 0 0 255", "2,1 missing = 0 0 240 255", "0,3 missing = 0 0 240 255"}, colour, 0, 10},
    // User-defined: the first three components as R, G, B, blue 0 with two.
    {dpx(LE, 1, 1, 150, 8, 0, "0A140000"), {"0,0 1 10 2 20 = 10 20 0 255"}},
    {dpx(LE, 1, 1, 151, 8, 0, "0A141E00"), {"0,0 1 10 2 20 3 30 = 10 20 30 255"}},
    {dpx(LE, 1, 1, 156, 8, 0, "0A141E28 323C4650"), {"0,0 1 10 2 20 3 30 4 40 5 50 6 60 7 70 8 80 = 10 20 30 255"}},
    {dpx(LE, 1, 1, 156, 8, 0, "01020304 05060750"), {"0,0 1 1 2 2 3 3 4 4 5 5 6 6 7 7 8 80 = 80 80 80 255"}, {TRANSFORM_COMPONENT, 7}},
    // Views: one quantity as opaque grey; luma 0.2125 x 200 + 0.7154 x 100 + 0.0721 x 50.
    {dpx(LE, 1, 1, 51, 8, 0, rgba8), {"0,0 R 200 G 100 B 50 A 25 = 100 100 100 255"}, {TRANSFORM_COMPONENT, 1}},
    {dpx(LE, 1, 1, 51, 8, 0, rgba8), {"0,0 R 200 G 100 B 50 A 25" + black}, {TRANSFORM_COMPONENT, 4}},
    {dpx(LE, 1, 1, 51, 8, 0, rgba8), {"0,0 R 200 G 100 B 50 A 25 = 25 25 25 255"}, {TRANSFORM_ALPHA, 0}},
    {dpx(LE, 1, 1, 50, 8, 0, rgba8), {"0,0 R 200 G 100 B 50" + white}, {TRANSFORM_ALPHA, 0}},
    {dpx(LE, 1, 1, 51, 8, 0, rgba8), {"0,0 R 200 G 100 B 50 A 25 = 118 118 118 255"}, luma},
    {dpx(LE, 1, 1, 50, 32, 0, "0000803F 00000000 00000000"), {"0,0 R 1 G 0 B 0 = 54 54 54 255"}, luma},
    {dpx(LE, 1, 1, 6, 8, 0, "4D000000"), {"0,0 Y 77 = 77 77 77 255"}, luma},
    {dpx(LE, 2, 1, 100, 8, 1, "6410C8EB"), {"0,0 Cb 100 Y 16 Cr 200" + black}, luma},
    {dpx(LE, 2, 1, 100, 8, 1, "6410C8EB"), {"1,0 Cb 100 Y 235 Cr 200 = 200 200 200 255"}, {TRANSFORM_COMPONENT, 2}},
    {dpx(LE, 1, 1, 102, 8, 1, "5A7E8000"), {"0,0 Cb 90 Y 126 Cr 128 = 128 128 128 255"}, luma},
    // Film scanners' luma and FFmpeg's short file (tests/data/scanners) at FFmpeg's code values.
    // Lasergraphics and Scanity lines run on unpadded; the standard's reading on demand.
    {scanner("Y_10_FilledA_BE_Modified_4x4.dpx"), {"1,3 Y 27 = 7 7 7 255", "3,3 Y 53 = 13 13 13 255"}},
    {scanner("Y_10_FilledA_BE_Modified_4x4_Lasergraphics.dpx"), {"1,3 Y 29 = 7 7 7 255", "3,3 Y 29 = 7 7 7 255"}},
    {scanner("Y_10_FilledA_BE_Modified_4x4_Lasergraphics.dpx"), {"1,3 Y 27 = 7 7 7 255", "3,3 Y 53 = 13 13 13 255"},
     colour, 0, 0, true},
    {scanner("Y_10_FilledB_BE_Modified_4x4.dpx"),
     {"0,1 Y 688 = 171 171 171 255", "3,1 Y 103 = 26 26 26 255", "0,2 Y 108 = 27 27 27 255", "3,3 Y 114 = 28 28 28 255"}},
    {scanner("Y_10_FilledB_BE_Modified_4x4_Scanity.dpx"),
     {"0,1 Y 707 = 176 176 176 255", "3,1 Y 530 = 132 132 132 255", "0,2 Y 65 = 16 16 16 255", "3,3 Y 108 = 27 27 27 255"}},
    {scanner("padding-bits-not-zero-Y_10_FilledA_BE.dpx"), {"0,24 Y 447 = 111 111 111 255", "2,24 Y 1022" + white},
     colour, 0, 0, false, "padding bits not zero in 66 of 275 words (filled 10-bit, method A: bits 1..0)"},
    {scanner("0008_VersionNumber_v.dpx"), {"1,0 R 255 G 0 B 0 = 255 0 0 255", "7,7 R 255 G 0 B 191 = 255 0 191 255"}},
    // Eight samples in three words fit unpadded lines only; Scanity's in two, too few for them, read padded.
    // The unpadded stream's words are counted once: word 01805013's padding bits are set.
    {dpx(BE, 4, 2, 6, 10, 1, "00C02004 01805013 0000801C"), {"0,1 Y 5 = 1 1 1 255", "3,1 Y 8 = 2 2 2 255"}, colour, 0, 0,
     false, "padding bits not zero in 1 of 3 words (filled 10-bit, method A: bits 1..0)"},
    {dpx(BE, 4, 2, 6, 10, 1, "00C02004 01805010", {SCANITY}), {"3,0 Y 4 = 1 1 1 255", "0,1 missing = 0 0 240 255"}, colour, 0, 4},
    // Filled 12-bit, method A: the low four bits of word 100F are padding.
    {dpx(LE, 2, 1, 50, 12, 1, "F0FF 1000 0080 0F10 F07F 0000"),
     {"0,0 R 4095 G 1 B 2048 = 255 0 128 255", "1,0 R 256 G 2047 B 0 = 16 127 0 255"}, colour, 0, 0, false,
     "padding bits not zero in 1 of 6 words (filled 12-bit, method A: bits 3..0)"},
};

} // namespace

TEST(Picture, LayoutsDecodeToTheCodesAndColoursWorkedOutByHand)
{
    const std::string png_path = std::string(P_tmpdir) + "/tessa-" + std::to_string(getpid()) + ".png";
    for (const layout_case& c : layout_cases) {
        SCOPED_TRACE(c.pixels[0]);
        element e = decode(c.file, c.element);
        ASSERT_TRUE(e.ok) << e.reason;
        if (c.standard)
            decode_standard_reading(&e.layout);
        PADDING_COUNT count;
        char padding[PADDING_TEXT_SIZE] = "";
        if (padding_count(&e.layout, e.image.data(), e.image.size(), &count))
            padding_text(&e.layout, &count, padding);
        EXPECT_TRUE(!c.padding || c.padding == std::string(padding)) << padding;
        uint64_t missing = 1;
        const bytes shown = show(e, c.view, &missing);
        EXPECT_EQ(c.missing, missing);
        for (const std::string& want : c.pixels) {
            uint32_t x, y;
            std::ostringstream got;
            sscanf(want.c_str(), "%u,%u", &x, &y);
            got << x << "," << y << " " << readout(e, x, y) << " =";
            for (int k = 0; k < 4; k++)
                got << " " << +shown[4 * (y * e.layout.width + x) + k];
            EXPECT_EQ(want, got.str());
        }
        if (c.view.mode != TRANSFORM_COLOUR)
            continue;
        // Exported as grey, RGB or RGBA as the element has them, 16 bits a
        // channel past 8 bits, each sample the level shown; as PNG and back.
        EXPORT_PICTURE shape;
        export_shape(&e.layout, 0, &shape);
        const int d = e.layout.descriptor, n = shape.channels;
        EXPECT_EQ(d < 50 ? 1 : d == 51 || d == 52 || d == 101 || d == 103 ? 4 : 3, n);
        EXPECT_EQ(e.layout.bit_depth > 8 ? 16 : 8, shape.bits);
        std::vector<uint16_t> out(shape.bytes / 2 + 1), back(out.size());
        export_picture(&e.layout, e.image.data(), e.image.size(), &shape, (unsigned char*)out.data(), &missing);
        EXPECT_EQ(c.missing, missing);
        for (size_t i = 0; i < shown.size() / 4 * n; i++) {
            const int level = shown[i / n * 4 + i % n];
            const int sample = shape.bits == 8 ? ((unsigned char*)out.data())[i] : out[i];
            EXPECT_NEAR(shape.bits == 8 ? level : 257 * level, sample, shape.bits == 8 ? 0 : 128) << "sample " << i;
        }
        char reason[PNG_EXPORT_REASON_SIZE] = "";
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_export_write(png_path.c_str(), &shape, (unsigned char*)out.data(), reason)) << reason;
        ASSERT_TRUE(png_image_begin_read_from_file(&png, png_path.c_str()));
        EXPECT_EQ(n * shape.bits / 8, (int)PNG_IMAGE_PIXEL_SIZE(png.format));
        ASSERT_TRUE(png_image_finish_read(&png, nullptr, back.data(), 0, nullptr));
        // libpng's reader premultiplies 16-bit alpha.
        EXPECT_TRUE(n * shape.bits == 64 || !memcmp(out.data(), back.data(), shape.bytes)) << "PNG";
    }
    remove(png_path.c_str());
}

namespace {

// Samples as the README lays them out: packing 0 a bit stream from each 32-bit
// word's least significant bit up; filled 10-bit three to a word from bits
// 31..22 (method A) or 29..20 (method B) down; filled 12-bit one to a 16-bit
// word, in bits 15..4 (A) or 11..0 (B).
bytes pack(const std::vector<uint32_t>& s, int bits, int packing, bool little)
{
    const bool halves = bits == 12 && packing;
    std::vector<uint32_t> units(halves ? s.size() : packing ? (s.size() + 2) / 3 : (s.size() * bits + 31) / 32);
    for (size_t i = 0, bit = 0; i < s.size(); i++, bit += bits) {
        if (halves)
            units[i] = s[i] << (packing == 1 ? 4 : 0);
        else if (packing)
            units[i / 3] |= s[i] << ((packing == 1 ? 22 : 20) - 10 * (i % 3));
        else if ((units[bit / 32] |= s[i] << bit % 32), bit % 32 + bits > 32)
            units[bit / 32 + 1] |= s[i] >> (32 - bit % 32);
    }
    bytes out;
    for (size_t b = 0, n = halves ? 2 : 4; b < units.size() * n; b++)
        out.push_back((unsigned char)(units[b / n] >> 8 * (little ? b % n : n - 1 - b % n)));
    return out;
}

} // namespace

TEST(Picture, EveryCodeShowsRoundedToEightAndSixteenBits)
{
    // One line holding every code of the depth as R, the codes backwards as G
    // and a stride through them as B, a few pixels past a multiple of eight;
    // `alone` shows one component as grey.
    const struct { bool little; int bits, packing, alone; } rows[] = {
        {true, 10, 1, -1}, {false, 10, 1, -1}, {false, 10, 1, 2}, {true, 10, 2, -1},
        {true, 10, 0, -1}, {false, 10, 0, -1}, {false, 12, 0, -1}, {true, 12, 0, -1}, {true, 12, 1, -1},
        {false, 12, 2, -1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.bits) + "-bit packing " + std::to_string(r.packing) + (r.little ? " LE" : " BE"));
        const uint32_t max = (1u << r.bits) - 1, width = max + 6;
        std::vector<uint32_t> s;
        for (uint32_t x = 0; x < width; x++)
            s.insert(s.end(), {x & max, max - (x & max), (x * 7) & max});
        const dpx_layout layout{r.little, width, 1, 50, (uint8_t)r.bits, (uint16_t)r.packing, 2048};
        const element e = decode(dpxw_image(layout, pack(s, r.bits, r.packing, r.little)).bytes);
        uint64_t missing;
        const bytes shown = show(e, r.alone < 0 ? colour : TRANSFORM_VIEW{TRANSFORM_COMPONENT, r.alone}, &missing);
        EXPORT_PICTURE shape;
        export_shape(&e.layout, 0, &shape);
        std::vector<uint16_t> out(shape.bytes / 2);
        export_picture(&e.layout, e.image.data(), e.image.size(), &shape, (unsigned char*)out.data(), &missing);
        int wrong = 0;
        for (uint32_t x = 0; x < width; x++) {
            wrong += readout(e, x, 0) != "R " + std::to_string(s[3 * x]) + " G " + std::to_string(s[3 * x + 1]) +
                                             " B " + std::to_string(s[3 * x + 2]);
            wrong += shown[4 * x + 3] != 255;
            for (int k = 0; k < 3; k++) {
                const uint64_t code = s[3 * x + (r.alone < 0 ? k : r.alone)];
                wrong += shown[4 * x + k] != (2 * 255 * code + max) / (2 * max);
                wrong += out[3 * x + k] != (2 * 65535 * (uint64_t)s[3 * x + k] + max) / (2 * max);
            }
        }
        EXPECT_EQ(0, wrong) << "codes, levels or exported samples off the rounded scale";
    }
}

TEST(Picture, VectorPathsWriteThePlainPathsBytes)
{
    // Random codes in both byte orders, widths off the vector steps, the
    // last line cut short; 4:2:2 through both matrices and with reference
    // codes of its own, some putting every level far above 1 or below 0.
    if (!rgbline_avx2())
        GTEST_SKIP() << "no AVX2: the plain paths alone run";
    std::mt19937 random(2160);
    const struct { uint8_t descriptor, bits; uint16_t packing; uint32_t colorimetric, low, high; } rows[] = {
        {50, 10, 1, 0, 0, 0},      {50, 10, 2, 0, 0, 0},     {50, 10, 0, 0, 0, 0},      {50, 12, 0, 0, 0, 0},
        {6, 10, 1, 0, 0, 0},       {6, 10, 2, 0, 0, 0},      {102, 10, 1, 6, 0, 0},
        {100, 10, 1, 6, 0, 0},     {100, 10, 2, 7, 0, 0},    {100, 8, 0, 6, 0, 0},      {100, 16, 0, 8, 0, 0},
        {100, 10, 1, 6, 100, 800}, {100, 12, 1, 6, 256, 3760}, {100, 16, 0, 6, 0, 1},
        {100, 10, 1, 6, 4000000000u, 4000000001u}};
    for (const auto& r : rows)
        for (bool little : {LE, BE})
            for (uint32_t width : {4u, 37u, 70u, 301u}) {
                SCOPED_TRACE(std::to_string(r.descriptor) + " " + std::to_string(r.bits) + "-bit, width " +
                             std::to_string(width) + (little ? " LE" : " BE"));
                const dpx_layout shape{little, width, 3, r.descriptor, r.bits, r.packing, 2048};
                uint64_t line;
                dpx_layout_line_bytes((uint64_t)width * dpx_layout_samples_per_pixel(r.descriptor), r.bits, r.packing,
                                      &line);
                bytes data(3 * line - line / 2);
                for (unsigned char& b : data)
                    b = (unsigned char)random();
                const element e = decode(dpxw_edit(dpxw_image(shape, data), {E0 + DPXW_EL_COLORIMETRIC, r.colorimetric,
                                                                            1, E0 + REF_LOW, r.low, 4, E0 + REF_HIGH,
                                                                            r.high, 4}).bytes);
                ASSERT_TRUE(e.ok) << e.reason;
                TRANSFORM_PLAN vector, plain;
                transform_plan_init(&vector, &e.layout, colour, 8);
                transform_plan_init(&plain, &e.layout, colour, 8);
                plain.avx2 = false;
                for (uint32_t y = 0; y < 3; y++) {
                    bytes a(4 * width + 4, 0x55), b = a;
                    // Off a 32-byte boundary, as the rows of a picture of any width are.
                    EXPECT_EQ(transform_line8(&plain, e.image.data(), e.image.size(), y, b.data() + 4),
                              transform_line8(&vector, e.image.data(), e.image.size(), y, a.data() + 4));
                    EXPECT_TRUE(a == b) << "line " << y;
                }
            }
}

TEST(Picture, ElementOffsetsAndRefusals)
{
    // Element 1 without an offset of its own is read from the header's offset to image data (reason "").
    // `data`: where the header's image data starts in the 2052-byte file, -1 for none (past its end).
    // `end`: how far a reader of the pictures reads: element 1's 4 bytes a line from its offset (2048
    // by default), more for wider or more lines; element 2's from 0 never reaches as far.
    const struct { uint32_t offset, value, width; int element; const char* reason; long data = 2048;
                   uint64_t end = 2052; } rows[] = {
        {E0 + DPXW_EL_OFFSET_TO_DATA, 0, 4, 0, "", 0},
        {E0 + DPXW_EL_OFFSET_TO_DATA, ~0u, 4, 0, "", -1},
        {E0 + DPXW_EL_DESCRIPTOR, 7, 1, 0, "descriptor 7 'Color Difference (Cb, Cr, subsampled by two)' cannot be"},
        {E0 + DPXW_EL_DESCRIPTOR, 0, 1, 0, "descriptor 0 'User defined"},
        {E0 + DPXW_EL_DESCRIPTOR, 157, 1, 0, "descriptor 157 'Reserved", 2048, 2048}, // no layout: its start
        {E0 + DPXW_EL_BIT_DEPTH, 13, 1, 0, "bit depth 13 is not a DPX depth", 2048, 2048},
        {E0 + DPXW_EL_PACKING, 3, 2, 0, "packing 3"},
        {DPXW_PIXELS_PER_LINE, 0, 4, 0, "the picture has no pixels (0 x 1)", 2048, 2048},
        {DPXW_LINES, 0, 4, 0, "the picture has no pixels (1 x 0)", 2048, 2048},
        {DPXW_PIXELS_PER_LINE, 16385, 4, 0, "the picture is larger than 16384 pixels on a side", 2048, 2048 + 65540},
        {DPXW_LINES, 0x80000000u, 4, 0, "the picture is larger than 16384 pixels on a side", 2048, 2048 + (4ull << 31)},
        {E0 + DPXW_EL_OFFSET_TO_DATA, 1000000, 4, 0, "the element's data starts past the end of the file", -1,
         1000004},
        {E0 + DPXW_EL_OFFSET_TO_DATA, 2052, 4, 0, "the element's data starts past the end of the file", 2052, 2056},
        {E1 + DPXW_EL_DESCRIPTOR, 50, 1, 1, "the element has no data offset"},
        {E1 + DPXW_EL_DESCRIPTOR, 50, 1, 8, "there is no image element 9"},
    };
    for (const auto& r : rows) {
        const bytes file =
            dpx(LE, 1, 1, 50, 10, 1, "00000000", {r.offset, r.value, r.width, E1 + DPXW_EL_BIT_DEPTH, 8, 1});
        const element e = decode(file, r.element);
        EXPECT_EQ(0u, e.reason.find(r.reason)) << r.reason << " / " << e.reason;
        EXPECT_EQ(!*r.reason, e.ok && e.layout.offset_from_image_data && e.layout.offset == 2048) << r.reason;
        EXPECT_TRUE(e.header.image_data == (r.data < 0 ? nullptr : e.image.data() + r.data)) << r.reason;
        EXPECT_EQ(dpx_layout_image_end(&e.header), r.end) << r.reason;
    }
}

TEST(Picture, OrientationCodesOnAThreeByTwoPicture)
{
    const struct { int code; const char* shown; } rows[] = { // the file's lines abc and def, as shown
        {0, "abc def"},  // left to right, top to bottom: as stored
        {1, "cba fed"},  // right to left, top to bottom: mirrored
        {2, "def abc"},  // left to right, bottom to top: the first line at the bottom
        {3, "fed cba"},  // right to left, bottom to top: turned half way round
        {4, "ad be cf"}, // top to bottom, left to right: the first line the left column, down
        {5, "da eb fc"}, // top to bottom, right to left: the first line the right column, down
        {6, "cf be ad"}, // bottom to top, left to right: the first line the left column, up
        {7, "fc eb da"}, // bottom to top, right to left: the first line the right column, up
        {8, "abc def"},  // other codes: as stored
        {0xFFFF, "abc def"},
    };
    // 8-bit RGB, red holding the letters; lines of 12 bytes.
    const element e = decode(dpx(BE, 3, 2, 50, 8, 0, "610000 620000 630000 000000 640000 650000 660000"));
    for (const auto& r : rows) {
        SCOPED_TRACE("code " + std::to_string(r.code));
        EXPORT_PICTURE shape;
        export_shape(&e.layout, r.code, &shape);
        bytes out(shape.bytes);
        uint64_t missing = 1;
        export_picture(&e.layout, e.image.data(), e.image.size(), &shape, out.data(), &missing);
        uint32_t w, h, fx, fy, bx, by;
        std::string mapped, exported;
        orient_size(r.code, 3, 2, &w, &h);
        for (uint32_t y = 0; y < h; y++) {
            for (uint32_t x = 0; x < w; x++) {
                orient_to_file(r.code, 3, 2, x, y, &fx, &fy);
                orient_from_file(r.code, 3, 2, fx, fy, &bx, &by);
                EXPECT_EQ(x * 10 + y, bx * 10 + by) << "back from the file";
                mapped += std::string(x || !y ? "" : " ") + (char)('a' + 3 * fy + fx);
                exported += std::string(x || !y ? "" : " ") + (char)out[3 * (y * w + x)];
            }
        }
        EXPECT_EQ(r.shown, mapped);
        EXPECT_EQ(r.shown, exported);
        // The texture's corners are the outer corners of the file pixels shown there.
        float uv[4][2];
        orient_uv(r.code, uv);
        const size_t corner[4] = {0, w - 1, (h - 1) * (w + 1) + w - 1, (h - 1) * (w + 1)};
        for (int k = 0; k < 4; k++) {
            const int file = r.shown[corner[k]] - 'a';
            EXPECT_EQ((std::vector<float>{file % 3 ? 1.f : 0.f, file / 3 ? 1.f : 0.f}), (std::vector<float>{uv[k][0], uv[k][1]}));
        }
    }
}

TEST(LayoutSeeds, EveryLayoutDecodesWholeAndEveryConverterRowIsSeeded)
{
    const layout_seeds seeds = layout_corpus_decode();
    std::set<const PIXCONV_FORMAT*> rows;
    EXPECT_EQ(20u * 11 * 2, seeds.size()); // each under a name of its own
    for (const auto& [name, image] : seeds) {
        const element e = decode(image);
        uint64_t missing = 1;
        ASSERT_TRUE(e.ok) << name << ": " << e.reason;
        show(e, colour, &missing);
        EXPECT_EQ(0u, missing) << name;
    }
    for (const auto& [name, image] : layout_corpus_pixconv()) {
        const element e = decode(image);
        rows.insert(pixconv_find(&e.header));
    }
    EXPECT_EQ((size_t)PIXCONV_FORMAT_COUNT, rows.size() - rows.count(nullptr));
}

namespace {

// The YCbCr formula as typed: rows G, B, R of SMPTE 274M, (m0 Y + m1 Cb') +
// m2 Cr' in doubles, truncated, clamped to `top`, shifted to 8 bits. True
// when the pixel at `rgba` is R, G, B and 255.
const double to_gbr[3][3] = {{1.0, -0.187, -0.4679}, {1.0, 1.8556, 0.0}, {1.0, 0.0, 1.5751}};

int ycbcr_level(const double* m, int y, double cbd, double crd, int top, int shift)
{
    const int i = (int)((m[0] * y + m[1] * cbd) + m[2] * crd);
    return (i < 0 ? 0 : i > top ? top : i) >> shift;
}

bool ycbcr_formula(const unsigned char* rgba, int y, int cb, int cr, int zero, int top, int shift)
{
    const double cbd = cb - zero, crd = cr - zero;
    return rgba[0] == ycbcr_level(to_gbr[2], y, cbd, crd, top, shift) &&
           rgba[1] == ycbcr_level(to_gbr[0], y, cbd, crd, top, shift) &&
           rgba[2] == ycbcr_level(to_gbr[1], y, cbd, crd, top, shift) && rgba[3] == 255;
}

const PIXCONV_FORMAT& format_row(int descriptor, int bits)
{
    return *std::find_if(format_table, std::end(format_table), [&](const PIXCONV_FORMAT& f) {
        return f.descriptor == descriptor && f.bit_depth == bits;
    });
}

} // namespace

TEST(Preview, EveryEightBitYCbCrTripleShowsAsTheFormulaGivesIt)
{
    // One line of 4:4:4 pixels per Cb, Cr pair, with Y 0 to 255 along it.
    unsigned char line[3 * 256], rgba[4 * 256];
    int wrong = 0;
    for (int cb = 0; cb < 256; cb++)
        for (int cr = 0; cr < 256; cr++) {
            for (int y = 0; y < 256; y++)
                line[3 * y] = (unsigned char)cb, line[3 * y + 1] = (unsigned char)y, line[3 * y + 2] = (unsigned char)cr;
            format_row(102, 8).func(line, sizeof line, rgba, 256, 1);
            for (int y = 0; y < 256; y++)
                wrong += !ycbcr_formula(rgba + 4 * y, y, cb, cr, 128, 255, 0);
        }
    EXPECT_EQ(0, wrong);
}

TEST(Preview, SixteenBitYCbCrShowsAsTheFormulaGivesIt)
{
    // Every Y, Cb and Cr drawn at random, as 4:4:4 pixels and as 4:2:2 groups
    // (Cb, Y0, Cr, Y1: pixel 2i + 1 shows with the chroma of pixel 2i).
    const int width = 2048, height = 512, pixels = width * height;
    std::mt19937 random(23);
    std::vector<int> y(pixels), cb(pixels), cr(pixels);
    bytes full(6 * pixels), half(4 * pixels), rgba(4 * pixels);
    auto put = [](bytes& b, size_t at, int v) { b[at] = (unsigned char)v, b[at + 1] = (unsigned char)(v >> 8); };
    for (int i = 0; i < pixels; i++) {
        y[i] = i & 0xFFFF, cb[i] = random() & 0xFFFF, cr[i] = random() & 0xFFFF;
        put(full, 6 * i, cb[i]), put(full, 6 * i + 2, y[i]), put(full, 6 * i + 4, cr[i]);
        put(half, 4 * i, i % 2 ? cr[i - 1] : cb[i]), put(half, 4 * i + 2, y[i]);
    }
    for (const auto& layout : {std::pair{102, &full}, std::pair{100, &half}}) {
        const int descriptor = layout.first;
        format_row(descriptor, 16).func(layout.second->data(), layout.second->size(), rgba.data(), width, height);
        int wrong = 0;
        for (int i = 0, c = 0; i < pixels; i++, c = descriptor == 102 || i % 2 == 0 ? i : i - 1)
            wrong += !ycbcr_formula(rgba.data() + 4 * i, y[i], cb[c], cr[c], 32768, 65535, 8);
        EXPECT_EQ(0, wrong) << "descriptor " << descriptor;
    }
}

TEST(Preview, VectorPathsWriteThePlainPathsBytes)
{
    // Random bytes; for the 8-bit YCbCr rows the first 65536 groups or pixels
    // hold every Cb, Cr pair. Widths off the vector steps, sources cut short,
    // pictures at three offsets from an aligned start.
    std::mt19937 random(268);
    bytes noise((1 << 20) + 64);
    for (unsigned char& b : noise)
        b = (unsigned char)random();
    const struct { int width, height; size_t size; } shapes[] = {
        {1, 1, 3}, {7, 3, 168}, {37, 5, 333}, {100, 2, 1201}, {4101, 2, 65616}, {512, 256, 1 << 20}};
    for (const PIXCONV_FORMAT& row : format_table) {
        bytes src = noise;
        const int stride = row.bit_depth == 8 ? row.descriptor == 100 ? 4 : row.descriptor == 102 ? 3 : 0 : 0;
        for (int p = 0; stride && p < 1 << 16; p++)
            src[stride * p] = (unsigned char)p, src[stride * p + 2] = (unsigned char)(p >> 8);
        for (const auto& s : shapes)
            for (size_t offset : {0, 4, 1}) {
                bytes plain((size_t)4 * s.width * s.height + 8, 0x55), vector = plain;
                pixconv_vector_paths(false);
                row.func(src.data(), s.size, plain.data() + offset, s.width, s.height);
                pixconv_vector_paths(true);
                row.func(src.data(), s.size, vector.data() + offset, s.width, s.height);
                EXPECT_TRUE(plain == vector) << "row " << &row - format_table << ", " << s.width << " x " << s.height
                                             << ", " << s.size << " bytes, offset " << offset;
            }
    }
}
