#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "pixconv/mtxcoe.h"
#include "pixconv/pixconv.h"

namespace {

typedef std::vector<unsigned char> bytes;

const uint32_t BE = DPX_MAGIC_BIG_ENDIAN;
const uint32_t LE = DPX_MAGIC_LITTLE_ENDIAN;

struct picture {
    DPX_HEADER header;
    bytes source;
};

picture make(uint32_t magic, uint8_t descriptor, uint8_t bits, uint16_t packing, uint32_t w, uint32_t h,
             const bytes& source)
{
    picture p;
    memset(&p.header, 0, sizeof p.header);
    p.source = source;
    p.header.file_information.magic_number = magic;
    p.header.image_information.pixels_per_line = w;
    p.header.image_information.lines_per_image_element = h;
    DPX_HEADER_DATA_STRUCTURE& e = p.header.image_information.image_element[0];
    e.descriptor = descriptor;
    e.bit_depth = bits;
    e.packing = packing;
    return p;
}

// Runs the conversion into a buffer of exactly W x H x 4 bytes, so that the
// address sanitizer catches any write or read outside either buffer.
bytes convert(picture& p, bool* ran = nullptr)
{
    p.header.image_data = p.source.empty() ? nullptr : p.source.data();
    p.header.image_data_size = p.source.size();
    size_t size = 0;
    EXPECT_TRUE(pixconv_rgba_size(&p.header, &size));
    bytes rgba(size, 0x55);
    bool result = pixconv_execute(&p.header, rgba.data());
    if (ran)
        *ran = result;
    return rgba;
}

const bytes fallback = {0, 0, 240, 255};

bytes pixels(std::initializer_list<bytes> list)
{
    bytes out;
    for (const bytes& px : list)
        out.insert(out.end(), px.begin(), px.end());
    return out;
}

struct row_case {
    int row;
    uint32_t magic;
    uint8_t descriptor, bits;
    uint16_t packing;
    bytes source; // two pixels
    bytes expect;
};

} // namespace

TEST(Pixconv, EveryTableRowConvertsTwoPixelsAsComputedByHand)
{
    const bytes rgb10_le = {0x00, 0xC8, 0x3A, 0x10, 0x0F, 0x00, 0xE0, 0xFF};
    const bytes rgb10_be = {0x10, 0x3A, 0xC8, 0x00, 0xFF, 0xE0, 0x00, 0x0F};
    const bytes rgb10_expect = pixels({{16, 235, 128, 255}, {255, 128, 0, 255}});
    const bytes rgb16_le = {0xFF, 0x12, 0x00, 0x80, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x7F};
    const bytes rgb16_be = {0x12, 0xFF, 0x80, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x7F, 0x00};
    const bytes rgb16_expect = pixels({{0x12, 0x80, 0x00, 255}, {255, 1, 127, 255}});
    const bytes rgb12_le = {0xF0, 0xFF, 0x10, 0x00, 0x00, 0x80, 0x0F, 0x10, 0xF0, 0x7F, 0x00, 0x00};
    const bytes rgb12_be = {0xFF, 0xF0, 0x00, 0x10, 0x80, 0x00, 0x10, 0x0F, 0x7F, 0xF0, 0x00, 0x00};
    const bytes rgb12_expect = pixels({{255, 0, 128, 255}, {16, 127, 0, 255}});
    const bytes rgb8 = {10, 20, 30, 255, 0, 1};
    const bytes rgb8_expect = pixels({{10, 20, 30, 255}, {255, 0, 1, 255}});
    const bytes grey = pixels({{77, 77, 77, 255}, {200, 200, 200, 255}});

    const row_case cases[] = {
        {0, LE, 4, 8, 0, {77, 200}, grey},
        {1, BE, 6, 8, 1, {77, 200}, grey},
        {2, LE, 50, 8, 0, rgb8, rgb8_expect},
        {3, BE, 50, 8, 0, rgb8, rgb8_expect},
        {4, LE, 50, 16, 0, rgb16_le, rgb16_expect},
        {5, BE, 50, 16, 0, rgb16_be, rgb16_expect},
        {6, LE, 50, 8, 1, rgb8, rgb8_expect},
        {7, BE, 50, 8, 1, rgb8, rgb8_expect},
        {8, LE, 50, 10, 1, rgb10_le, rgb10_expect},
        {9, BE, 50, 10, 1, rgb10_be, rgb10_expect},
        {10, LE, 50, 12, 1, rgb12_le, rgb12_expect},
        {11, BE, 50, 12, 1, rgb12_be, rgb12_expect},
        {12, LE, 50, 16, 1, rgb16_le, rgb16_expect},
        {13, BE, 50, 16, 1, rgb16_be, rgb16_expect},
        {14, BE, 51, 8, 0, {10, 20, 30, 40, 1, 2, 3, 4}, pixels({{10, 20, 30, 40}, {1, 2, 3, 4}})},
        {15, LE, 100, 8, 1, {128, 16, 128, 235}, pixels({{16, 16, 16, 255}, {235, 235, 235, 255}})},
        {16, LE, 100, 16, 0, {0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x00},
         pixels({{128, 128, 128, 255}, {0, 0, 0, 255}})},
        {17, LE, 102, 8, 1, {102, 63, 240, 128, 63, 240}, pixels({{239, 15, 14, 255}, {239, 10, 63, 255}})},
        {18, LE, 102, 16, 0, {0x00, 0xC0, 0x00, 0x40, 0x00, 0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00},
         pixels({{64, 52, 182, 255}, {0, 59, 0, 255}})},
    };
    for (const row_case& c : cases) {
        picture p = make(c.magic, c.descriptor, c.bits, c.packing, 2, 1, c.source);
        EXPECT_EQ(&format_table[c.row], pixconv_find(&p.header)) << "row " << c.row;
        bool ran = false;
        EXPECT_EQ(c.expect, convert(p, &ran)) << "row " << c.row;
        EXPECT_TRUE(ran);
    }
}

TEST(Pixconv, LayoutsWithoutARowGetTheFallbackColour)
{
    struct {
        uint32_t magic;
        uint8_t descriptor, bits;
        uint16_t packing;
    } none[] = {
        {BE, 50, 10, 0}, {LE, 50, 10, 2}, {LE, 51, 8, 0}, {BE, 100, 8, 1}, {BE, 102, 16, 0},
        {BE, 1, 8, 0},   {BE, 52, 8, 0},  {LE, 101, 8, 1}, {LE, 103, 8, 1}, {0x53445059, 50, 10, 1},
    };
    for (auto n : none) {
        picture p = make(n.magic, n.descriptor, n.bits, n.packing, 3, 2, bytes(64, 0x77));
        EXPECT_EQ(nullptr, pixconv_find(&p.header));
        bool ran = true;
        EXPECT_EQ(pixels({fallback, fallback, fallback, fallback, fallback, fallback}), convert(p, &ran));
        EXPECT_FALSE(ran);
    }
}

TEST(Pixconv, MissingSourceBytesGiveFallbackPixels)
{
    // Four 10-bit pixels need 16 bytes; 9 hold two whole words.
    bytes nine = {0x00, 0xC8, 0x3A, 0x10, 0x00, 0xC8, 0x3A, 0x10, 0xAA};
    picture p = make(LE, 50, 10, 1, 4, 1, nine);
    bytes px = {16, 235, 128, 255};
    EXPECT_EQ(pixels({px, px, fallback, fallback}), convert(p));

    picture none = make(BE, 50, 16, 0, 2, 2, bytes());
    EXPECT_EQ(pixels({fallback, fallback, fallback, fallback}), convert(none));

    // 4:2:2: a group with a missing byte is fallback for both of its pixels.
    picture yuv = make(LE, 100, 8, 1, 4, 1, {128, 16, 128, 235, 128, 16, 128});
    EXPECT_EQ(pixels({{16, 16, 16, 255}, {235, 235, 235, 255}, fallback, fallback}), convert(yuv));
}

TEST(Pixconv, OddWidthsEndEachRowAfterItsLastPixel)
{
    // 10-bit RGB, 3 x 2: six words back to back, row 1 starts at word 3.
    bytes words;
    for (unsigned char r : {1, 2, 3, 4, 5, 6})
        words.insert(words.end(), {0x00, 0x00, 0x00, r});
    picture p = make(LE, 50, 10, 1, 3, 2, words);
    bytes rgba = convert(p);
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(i + 1, rgba[4 * i]) << "pixel " << i;

    // 8-bit 4:2:2, 3 x 2: each row holds two groups, the second shows one pixel.
    bytes groups = {128, 10, 128, 11, 128, 12, 128, 99, 128, 20, 128, 21, 128, 22, 128, 99};
    picture y = make(LE, 100, 8, 1, 3, 2, groups);
    rgba = convert(y);
    const int expect[] = {10, 11, 12, 20, 21, 22};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(expect[i], rgba[4 * i]) << "pixel " << i;

    // 8-bit 4:4:4 groups four pixels; a width of 5 uses 15 bytes a row.
    bytes yuv444;
    for (int i = 0; i < 10; i++)
        yuv444.insert(yuv444.end(), {128, (unsigned char)(100 + i), 128});
    picture q = make(LE, 102, 8, 1, 5, 2, yuv444);
    rgba = convert(q);
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(100 + i, rgba[4 * i + 1]) << "pixel " << i;
}

// The 8-bit and 10-bit RGB rows read whole words and groups; every pixel must
// still come out as the plain per-pixel rule says, wherever the data ends.
TEST(Pixconv, WordAtATimeRowsMatchThePerPixelRuleAtEveryLength)
{
    const int w = 7, h = 3;
    bytes source(w * h * 4);
    for (size_t i = 0; i < source.size(); i++)
        source[i] = (unsigned char)(i * 37 + 11);
    for (size_t have = 0; have <= source.size(); have++) {
        bytes cut(source.begin(), source.begin() + have);
        picture rgb8 = make(LE, 50, 8, 0, w, h, cut);
        picture be10 = make(BE, 50, 10, 1, w, h, cut);
        picture le10 = make(LE, 50, 10, 1, w, h, cut);
        bytes got8 = convert(rgb8), got_be = convert(be10), got_le = convert(le10);
        for (int i = 0; i < w * h; i++) {
            const unsigned char* s = cut.data();
            bytes want8 = have >= (size_t)(3 * i + 3)
                              ? bytes{s[3 * i], s[3 * i + 1], s[3 * i + 2], 255}
                              : fallback;
            ASSERT_EQ(want8, bytes(got8.begin() + 4 * i, got8.begin() + 4 * i + 4)) << have << " " << i;
            if (have < (size_t)(4 * i + 4)) {
                ASSERT_EQ(fallback, bytes(got_be.begin() + 4 * i, got_be.begin() + 4 * i + 4));
                ASSERT_EQ(fallback, bytes(got_le.begin() + 4 * i, got_le.begin() + 4 * i + 4));
                continue;
            }
            const unsigned char* q = s + 4 * i;
            uint32_t be = (uint32_t)q[0] << 24 | q[1] << 16 | q[2] << 8 | q[3];
            uint32_t le = (uint32_t)q[3] << 24 | q[2] << 16 | q[1] << 8 | q[0];
            for (auto [word, got] : {std::pair<uint32_t, bytes*>{be, &got_be}, {le, &got_le}}) {
                bytes want = {(unsigned char)(word >> 24), (unsigned char)(word >> 14), (unsigned char)(word >> 4),
                              255};
                ASSERT_EQ(want, bytes(got->begin() + 4 * i, got->begin() + 4 * i + 4)) << have << " " << i;
            }
        }
    }
}

TEST(Pixconv, PaddingIsReadAsSamplesAndOnlyElementZeroCounts)
{
    picture p = make(BE, 50, 8, 0, 1, 2, {1, 2, 3, 4, 5, 6});
    p.header.image_information.image_element[0].end_of_line_padding = 2;
    p.header.image_information.image_element[1].descriptor = 6;
    EXPECT_EQ(pixels({{1, 2, 3, 255}, {4, 5, 6, 255}}), convert(p));
}

TEST(Pixconv, OversizedOrEmptyPicturesConvertNothing)
{
    for (uint32_t w : {16385u, 70000u, 0x80000000u, 0xFFFFFFFFu}) {
        picture p = make(LE, 50, 10, 1, w, 1, bytes(16, 0));
        p.header.image_data = p.source.data();
        p.header.image_data_size = p.source.size();
        size_t size = 1;
        EXPECT_FALSE(pixconv_rgba_size(&p.header, &size)) << w;
        unsigned char guard[4] = {9, 9, 9, 9};
        EXPECT_FALSE(pixconv_execute(&p.header, guard));
        EXPECT_EQ(9, guard[0]);
        std::swap(p.header.image_information.pixels_per_line, p.header.image_information.lines_per_image_element);
        EXPECT_FALSE(pixconv_rgba_size(&p.header, &size));
    }
    size_t size = 0;
    picture edge = make(LE, 50, 10, 1, 16384, 16384, bytes());
    EXPECT_TRUE(pixconv_rgba_size(&edge.header, &size));
    EXPECT_EQ((size_t)16384 * 16384 * 4, size);

    // Zero width: nothing is written, and the result still tells the row.
    picture zero = make(LE, 50, 10, 1, 0, 1080, bytes(8, 0));
    bool ran = false;
    EXPECT_TRUE(convert(zero, &ran).empty());
    EXPECT_TRUE(ran);
    picture zero_none = make(BE, 50, 10, 0, 1920, 0, bytes(8, 0));
    EXPECT_TRUE(convert(zero_none, &ran).empty());
    EXPECT_FALSE(ran);
}

TEST(Pixconv, YCbCrEdgeValuesTruncateThenClamp)
{
    struct {
        int y, cb, cr;
        bytes rgb;
    } eight[] = {
        {63, 102, 240, {239, 15, 14}},
        {63, 128, 240, {239, 10, 63}},
        {255, 128, 255, {255, 195, 255}},
        {180, 16, 16, {3, 253, 0}},
        {16, 128, 128, {16, 16, 16}},
    };
    for (auto c : eight) {
        picture p = make(LE, 102, 8, 1, 1, 1, {(unsigned char)c.cb, (unsigned char)c.y, (unsigned char)c.cr});
        bytes rgba = convert(p);
        EXPECT_EQ(c.rgb, bytes(rgba.begin(), rgba.begin() + 3)) << c.y << " " << c.cb << " " << c.cr;
        EXPECT_EQ(255, rgba[3]);
    }
    // 16-bit: Y 0xFFFF with Cr at its top clamps to 65535 before the shift.
    picture p = make(LE, 102, 16, 0, 1, 1, {0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF});
    bytes rgba = convert(p);
    EXPECT_EQ(255, rgba[0]);
    EXPECT_EQ(255, rgba[2]);
}

TEST(Pixconv, ColourMatrixRecords)
{
    EXPECT_STREQ("SMPTE 274M", mtxcoelist[0].name);
    EXPECT_STREQ("StEM CRT", mtxcoelist[6].name);
    MTXCOE m;
    memset(&m, 0x5A, sizeof m);
    MTXCOE untouched = m;
    EXPECT_EQ(-1, mtxcoe_read("smpte 274m", &m));
    EXPECT_EQ(-1, mtxcoe_read("SMPTE 274", &m));
    EXPECT_EQ(0, memcmp(&m, &untouched, sizeof m));
    ASSERT_EQ(0, mtxcoe_read("ITU-R601", &m));
    EXPECT_STREQ("Rec.ITU-R BT.601-5, Rec.ITU-R BT.1358", m.description);
    EXPECT_EQ(1.402, m.to_gbr[8]);
    EXPECT_EQ(1019, m.code_max[1]);
    ASSERT_EQ(0, mtxcoe_read("DLP CINEMA", &m));
    EXPECT_EQ(0, m.black_offset[3]);
    EXPECT_EQ(-0.4402, m.to_gbr[8]);
}
