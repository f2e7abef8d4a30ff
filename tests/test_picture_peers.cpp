// Files written by other programs through the Picture decoder: the quadrant
// colours their README gives (red top left, green top right, blue bottom
// left, white bottom right), and code values read by hand from their bytes.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dpx/dpx_io.h"
#include "picture/decode.h"
#include "picture/export.h"
#include "picture/orient.h"
#include "picture/transform.h"
#include "support/dpx_writer.h"

namespace {

std::string data_path(const char* name)
{
    const char* dir = getenv("TESSA_TEST_DATA");
    return std::string(dir ? dir : "tests/data") + "/" + name;
}

struct peer_file {
    std::vector<unsigned char> image;
    DPX_HEADER header;
    DECODE_LAYOUT layout;
};

bool open_peer(const char* name, peer_file* f)
{
    f->image = dpxw_load(data_path(name));
    char reason[DECODE_REASON_SIZE] = "";
    if (dpx_io_header_read(f->image.data(), f->image.size(), &f->header) != DPX_IO_OK)
        return false;
    bool ok = decode_layout(&f->header, 0, &f->layout, reason);
    EXPECT_TRUE(ok) << reason;
    return ok;
}

// What a file's quadrants show, R, G, B each: colour files 255 in the
// quadrant's full channels and 0 in the others; grey files the writer's luma.
enum quadrant_set { COLOUR, BT601_GREY, RED_AS_GREY };

struct peer_case {
    const char* name;
    uint8_t descriptor, bits;
    uint16_t packing;
    quadrant_set quadrants;
    int full;      // level of a full channel in the colour quadrants
    int alpha;     // expected alpha everywhere
    int tolerance; // in 8-bit levels
    uint32_t right_columns_zero; // trailing columns the writer stores as 0
    uint32_t edge_columns;       // columns each side of the vertical edge left unchecked
};

// Tolerances:
// - 1 level: plain RGB scaled with rounding; writers that store a full channel
//   a little short (GraphicsMagick 1022 of 1023, FFmpeg 1018 of 1023 or
//   65139 of 65535) and 1 to 4 codes in an empty one (FFmpeg's blue 4 in its
//   green quadrant) stay within it.
// - 2 levels for luma files: the writers round 0.299, 0.587 and 0.114 of
//   full scale at their own depth (GraphicsMagick 306, 600, 116 of 1023;
//   FFmpeg 19375, 38451, 7453 of 65535).
// - 3 levels for GraphicsMagick's 10-bit 4:2:2: its BT.601 codes are rounded
//   to 10 bits (half a code of 876 moves a colour by up to 1.8 x 0.15 levels
//   through the matrix), and it writes the white reference as 943, not 940,
//   which we take as the file says (0.3 %, under 1 level). It filters
//   chroma before subsampling: up to two pairs each side of the vertical
//   edge carry a blend of both sides' chroma (and a ringing of 5 levels)
//   and are not checked.
const peer_case peer_cases[] = {
    {"ffmpeg-abgr.dpx", 52, 8, 0, COLOUR, 255, 128, 1, 0, 0},
    {"ffmpeg-gbrp10be.dpx", 50, 10, 1, COLOUR, 255, 255, 1, 0, 0},
    {"ffmpeg-gray16be.dpx", 6, 16, 0, BT601_GREY, 255, 255, 2, 0, 0},
    {"ffmpeg-rgb10-le.dpx", 50, 10, 1, COLOUR, 255, 255, 1, 0, 0},
    {"ffmpeg-rgb12-le.dpx", 50, 12, 1, COLOUR, 255, 255, 1, 0, 0},
    {"ffmpeg-rgb16-be.dpx", 50, 16, 0, COLOUR, 255, 255, 2, 0, 0},
    {"ffmpeg-rgb16-le.dpx", 50, 16, 0, COLOUR, 255, 255, 2, 0, 0},
    {"ffmpeg-rgb8-le.dpx", 50, 8, 0, COLOUR, 255, 255, 1, 0, 0},
    {"ffmpeg-rgba.dpx", 51, 8, 0, COLOUR, 255, 128, 1, 0, 0},
    {"ffmpeg-rgba64le.dpx", 51, 16, 0, COLOUR, 255, 128, 2, 0, 0},
    {"ffmpeg-rgba8-le.dpx", 51, 8, 0, COLOUR, 255, 255, 1, 0, 0},
    // GraphicsMagick leaves the word of each line's last two luma samples 0.
    {"gm-gray10.dpx", 6, 10, 1, BT601_GREY, 255, 255, 2, 2, 0},
    {"gm-rgb10-packed.dpx", 50, 10, 0, COLOUR, 255, 255, 1, 0, 0},
    {"gm-ycc422-10.dpx", 100, 10, 1, COLOUR, 255, 255, 3, 0, 4},
    {"graphicsmagick-rgb10-be.dpx", 50, 10, 1, COLOUR, 255, 255, 1, 0, 0},
    {"graphicsmagick-rgb8-be.dpx", 50, 8, 0, COLOUR, 255, 255, 1, 0, 0},
    {"imagemagick-rgb10-be.dpx", 50, 10, 1, COLOUR, 255, 255, 1, 0, 0},
    {"imagemagick-rgb12-be.dpx", 50, 12, 1, COLOUR, 255, 255, 1, 0, 0},
    {"imagemagick-rgb16-be.dpx", 50, 16, 0, COLOUR, 255, 255, 1, 0, 0},
    {"imagemagick-rgb8-be.dpx", 50, 8, 0, COLOUR, 255, 255, 1, 0, 0},
    {"imagemagick-rgba8-be.dpx", 51, 8, 0, COLOUR, 255, 128, 1, 0, 0},
    {"odd37-gm-gray10.dpx", 6, 10, 1, BT601_GREY, 255, 255, 2, 0, 0},
    {"odd37-oiio-rgb10-packed.dpx", 50, 10, 0, COLOUR, 255, 255, 1, 0, 0},
    {"oiio-luma10.dpx", 1, 10, 0, RED_AS_GREY, 255, 255, 1, 0, 0},
    {"oiio-rgb-float.dpx", 50, 32, 1, COLOUR, 255, 255, 1, 0, 0},
    {"oiio-rgb10-methodB.dpx", 50, 10, 2, COLOUR, 255, 255, 1, 0, 0},
    {"oiio-rgb10-orient-bottomup.dpx", 50, 10, 1, COLOUR, 255, 255, 1, 0, 0},
    {"oiio-rgb12-default.dpx", 50, 12, 0, COLOUR, 255, 255, 1, 0, 0},
    // OpenImageIO stores its half-transparent colours premultiplied and
    // linearised: 14135 of 65535 (0x3737) in a full channel.
    {"oiio-rgba16.dpx", 51, 16, 1, COLOUR, 55, 128, 1, 0, 0},
    {"openimageio-rgb10-le.dpx", 50, 10, 1, COLOUR, 255, 255, 1, 0, 0},
    {"openimageio-rgb12-le.dpx", 50, 12, 0, COLOUR, 255, 255, 1, 0, 0},
    {"openimageio-rgb16-le.dpx", 50, 16, 1, COLOUR, 255, 255, 1, 0, 0},
    {"openimageio-rgb8-le.dpx", 50, 8, 1, COLOUR, 255, 255, 1, 0, 0},
};

// Expected R, G, B of quadrant q (0 top left, 1 top right, 2 bottom left,
// 3 bottom right).
void quadrant_colour(const peer_case& c, int q, int rgb[3])
{
    static const int colour[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
    static const int bt601[4] = {76, 150, 29, 255}; // 0.299, 0.587, 0.114 and 1 of 255
    for (int k = 0; k < 3; k++) {
        if (c.quadrants == COLOUR)
            rgb[k] = colour[q][k] * c.full;
        else if (c.quadrants == BT601_GREY)
            rgb[k] = bt601[q];
        else
            rgb[k] = colour[q][0] * 255;
    }
}

} // namespace

TEST(PicturePeers, EveryFileDecodesWithItsQuadrantColours)
{
    for (const peer_case& c : peer_cases) {
        SCOPED_TRACE(c.name);
        peer_file f;
        ASSERT_TRUE(open_peer(c.name, &f));
        const DECODE_LAYOUT& l = f.layout;
        EXPECT_EQ(c.descriptor, l.descriptor);
        EXPECT_EQ(c.bits, l.bit_depth);
        EXPECT_EQ(c.packing, l.packing);
        std::vector<unsigned char> rgba((size_t)l.width * l.height * 4);
        uint64_t missing = 1;
        transform_picture(&l, f.image.data(), f.image.size(), TRANSFORM_VIEW{TRANSFORM_COLOUR, 0}, rgba.data(),
                          &missing);
        EXPECT_EQ(0u, missing);
        int failures = 0;
        for (uint32_t y = 0; y < l.height && failures < 5; y++) {
            for (uint32_t x = 0; x < l.width && failures < 5; x++) {
                const unsigned char* px = &rgba[((size_t)y * l.width + x) * 4];
                int want[3];
                quadrant_colour(c, (x >= l.width / 2 ? 1 : 0) + (y >= l.height / 2 ? 2 : 0), want);
                if (x >= l.width - c.right_columns_zero)
                    want[0] = want[1] = want[2] = 0;
                uint32_t edge = l.width / 2;
                if (x + c.edge_columns >= edge && x < edge + c.edge_columns)
                    continue;
                bool ok = abs(px[3] - c.alpha) <= c.tolerance;
                for (int k = 0; k < 3; k++)
                    ok = ok && abs(px[k] - want[k]) <= c.tolerance;
                if (!ok) {
                    failures++;
                    ADD_FAILURE() << "pixel " << x << "," << y << " is " << (int)px[0] << " " << (int)px[1] << " "
                                  << (int)px[2] << " " << (int)px[3] << ", expected " << want[0] << " " << want[1]
                                  << " " << want[2] << " " << c.alpha;
                }
            }
        }
    }
}

TEST(PicturePeers, BottomUpFileShowsRedAtTheBottomLeftOnlyWithItsOrientation)
{
    peer_file f;
    ASSERT_TRUE(open_peer("oiio-rgb10-orient-bottomup.dpx", &f));
    const DECODE_LAYOUT& l = f.layout;
    ASSERT_EQ(2, l.orientation);
    struct row {
        int orientation;
        uint32_t x, y;
        uint16_t r, g, b;
    };
    // 16 bits per channel (the element has 10): red is 65535, 0, 0.
    const row rows[] = {
        {2, 0, 15, 65535, 0, 0}, {2, 0, 0, 0, 0, 65535},     {2, 31, 15, 0, 65535, 0},
        {0, 0, 0, 65535, 0, 0},  {0, 0, 15, 0, 0, 65535},    {0, 31, 15, 65535, 65535, 65535},
    };
    for (const row& r : rows) {
        SCOPED_TRACE("orientation " + std::to_string(r.orientation) + " pixel " + std::to_string(r.x) + "," +
                     std::to_string(r.y));
        EXPORT_PICTURE shape;
        export_shape(&l, r.orientation, &shape);
        ASSERT_EQ(3, shape.channels);
        ASSERT_EQ(16, shape.bits);
        std::vector<uint16_t> pixels(shape.bytes / 2);
        uint64_t missing = 1;
        export_picture(&l, f.image.data(), f.image.size(), &shape, (unsigned char*)pixels.data(), &missing);
        EXPECT_EQ(0u, missing);
        const uint16_t* px = &pixels[((size_t)r.y * shape.width + r.x) * 3];
        EXPECT_EQ(r.r, px[0]);
        EXPECT_EQ(r.g, px[1]);
        EXPECT_EQ(r.b, px[2]);
    }
    // The GUI's path: the texture in file order, its corners from orient_uv.
    float uv[4][2];
    orient_uv(l.orientation, uv);
    EXPECT_EQ(0.0f, uv[3][0]); // bottom left of the shown picture ...
    EXPECT_EQ(0.0f, uv[3][1]); // ... is the file's first pixel of its first line: red
}

TEST(PicturePeers, ReadoutGivesTheCodesTheWriterStored)
{
    struct row {
        const char* name;
        uint32_t x, y;
        std::vector<double> codes;
    };
    const row rows[] = {
        // Big-endian packed words 800003FE E00000FF: R = bits 9..0 = 0x3FE.
        {"gm-rgb10-packed.dpx", 0, 0, {1022, 0, 0}},
        // Pixel 16 starts at bit 480, word 000FF800: G = bits 19..10 = 0x3FE.
        {"gm-rgb10-packed.dpx", 16, 0, {0, 1022, 0}},
        {"gm-rgb10-packed.dpx", 31, 15, {1022, 1022, 1022}},
        // Little-endian method B words 3FF00000, 000FFC00, 000003FF, 3FFFFFFF.
        {"oiio-rgb10-methodB.dpx", 0, 0, {1023, 0, 0}},
        {"oiio-rgb10-methodB.dpx", 16, 0, {0, 1023, 0}},
        {"oiio-rgb10-methodB.dpx", 0, 15, {0, 0, 1023}},
        {"oiio-rgb10-methodB.dpx", 16, 15, {1023, 1023, 1023}},
        // Little-endian packed bytes FF 0F 00 00 F0 FF: R 0xFFF, G 0, B 0, R 0xFFF.
        {"oiio-rgb12-default.dpx", 0, 0, {4095, 0, 0}},
        {"oiio-rgb12-default.dpx", 1, 0, {4095, 0, 0}},
        // Method A word 5A145EF8: Cb 0x168, Y 0x145, Cr 0x3BE.
        {"gm-ycc422-10.dpx", 0, 0, {360, 325, 958}},
        // The last word of each 37-pixel line: 00000960 (top) and 00000FF8
        // (bottom), the luma in bits 11..2.
        {"odd37-gm-gray10.dpx", 36, 0, {600}},
        {"odd37-gm-gray10.dpx", 36, 18, {1022}},
        // Word 4C9324C8: three luma samples of 0x132.
        {"odd37-gm-gray10.dpx", 0, 0, {306}},
        // Bytes 80 00 00 FF: A 128, B 0, G 0, R 255.
        {"ffmpeg-abgr.dpx", 0, 0, {128, 0, 0, 255}},
        // 3F800000 as a little-endian float: 1.0.
        {"oiio-rgb-float.dpx", 31, 15, {1, 1, 1}},
        // Big-endian method A word FE800000: R 0x3FA.
        {"ffmpeg-gbrp10be.dpx", 0, 0, {1018, 0, 0}},
        // 37 x 19 packed: the last pixel of the last line, bits 1080..1109 of
        // a line that starts at byte 18 x 140.
        {"odd37-oiio-rgb10-packed.dpx", 36, 18, {1023, 1023, 1023}},
        {"odd37-oiio-rgb10-packed.dpx", 17, 8, {1023, 0, 0}},
        {"odd37-oiio-rgb10-packed.dpx", 18, 9, {1023, 1023, 1023}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.name) + " pixel " + std::to_string(r.x) + "," + std::to_string(r.y));
        peer_file f;
        ASSERT_TRUE(open_peer(r.name, &f));
        ASSERT_EQ((int)r.codes.size(), f.layout.components);
        double codes[DECODE_MAX_COMPONENTS];
        ASSERT_TRUE(decode_pixel(&f.layout, f.image.data(), f.image.size(), r.x, r.y, codes));
        for (size_t k = 0; k < r.codes.size(); k++)
            EXPECT_EQ(r.codes[k], codes[k]) << f.layout.names[k];
    }
}

TEST(PicturePeers, ReadoutAgreesWithTheDisplayedPicture)
{
    // Every pixel of the RGB files: the 8-bit display value is the code
    // scaled with rounding.
    for (const char* name : {"gm-rgb10-packed.dpx", "odd37-oiio-rgb10-packed.dpx", "oiio-rgb12-default.dpx",
                             "oiio-rgb10-methodB.dpx", "ffmpeg-rgb16-be.dpx"}) {
        SCOPED_TRACE(name);
        peer_file f;
        ASSERT_TRUE(open_peer(name, &f));
        const DECODE_LAYOUT& l = f.layout;
        std::vector<unsigned char> rgba((size_t)l.width * l.height * 4);
        uint64_t missing;
        transform_picture(&l, f.image.data(), f.image.size(), TRANSFORM_VIEW{TRANSFORM_COLOUR, 0}, rgba.data(),
                          &missing);
        double max = (1 << l.bit_depth) - 1;
        for (uint32_t y = 0; y < l.height; y++) {
            for (uint32_t x = 0; x < l.width; x++) {
                double codes[DECODE_MAX_COMPONENTS];
                ASSERT_TRUE(decode_pixel(&l, f.image.data(), f.image.size(), x, y, codes));
                for (int k = 0; k < 3; k++)
                    ASSERT_EQ((int)(codes[k] * 255 / max + 0.5), rgba[((size_t)y * l.width + x) * 4 + k]);
            }
        }
    }
}
