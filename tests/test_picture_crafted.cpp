// Crafted files for the layouts no peer writes, byte by byte, with the code
// values and display colours worked out by hand.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dpx/dpx_io.h"
#include "picture/decode.h"
#include "picture/transform.h"
#include "support/dpx_writer.h"

namespace {

typedef std::vector<unsigned char> bytes;

// Element record fields the writer has no name for.
enum : size_t { EL_REF_LOW = 4, EL_REF_HIGH = 12, EL_EOL_PADDING = 32 };

struct element_spec {
    uint8_t descriptor = 50;
    uint8_t bits = 10;
    uint16_t packing = 1;
    uint8_t colorimetric = 0;
    uint32_t ref_low = 0xFFFFFFFF, ref_high = 0xFFFFFFFF;
    uint32_t eol_padding = 0xFFFFFFFF;
};

// A one-element file whose image holds exactly the header and `data`.
dpx_writer craft(bool little, uint32_t width, uint32_t height, const element_spec& e, const bytes& data)
{
    dpx_layout layout;
    layout.little = little;
    layout.width = width;
    layout.height = height;
    layout.descriptor = e.descriptor;
    layout.bit_depth = e.bits;
    layout.packing = e.packing;
    layout.data_offset = 2048;
    dpx_writer w = dpxw_image(layout, data);
    dpxw_u8(&w, DPXW_ELEMENT0 + DPXW_EL_COLORIMETRIC, e.colorimetric);
    dpxw_u32(&w, DPXW_ELEMENT0 + EL_REF_LOW, e.ref_low);
    dpxw_u32(&w, DPXW_ELEMENT0 + EL_REF_HIGH, e.ref_high);
    dpxw_u32(&w, DPXW_ELEMENT0 + EL_EOL_PADDING, e.eol_padding);
    return w;
}

struct opened {
    dpx_writer file;
    DPX_HEADER header;
    DECODE_LAYOUT layout;
};

void open_crafted(opened* o, int element = 0)
{
    ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(o->file.bytes.data(), o->file.bytes.size(), &o->header));
    char reason[DECODE_REASON_SIZE] = "";
    ASSERT_TRUE(decode_layout(&o->header, element, &o->layout, reason)) << reason;
}

bytes show(const opened& o, TRANSFORM_VIEW view, uint64_t* missing = nullptr)
{
    bytes rgba((size_t)o.layout.width * o.layout.height * 4, 0x55);
    uint64_t m = 0;
    transform_picture(&o.layout, o.file.bytes.data(), o.file.bytes.size(), view, rgba.data(), &m);
    if (missing)
        *missing = m;
    return rgba;
}

const TRANSFORM_VIEW colour{TRANSFORM_COLOUR, 0};

std::vector<double> pixel_codes(const opened& o, uint32_t x, uint32_t y)
{
    double codes[DECODE_MAX_COMPONENTS];
    if (!decode_pixel(&o.layout, o.file.bytes.data(), o.file.bytes.size(), x, y, codes))
        return {};
    return std::vector<double>(codes, codes + o.layout.components);
}

bytes rgba_at(const bytes& picture, const DECODE_LAYOUT& l, uint32_t x, uint32_t y)
{
    const unsigned char* p = &picture[((size_t)y * l.width + x) * 4];
    return bytes(p, p + 4);
}

struct pixel_expect {
    uint32_t x, y;
    std::vector<double> codes;
    bytes rgba;
};

struct layout_case {
    const char* what;
    bool little;
    uint32_t width, height;
    element_spec element;
    bytes data;
    std::vector<pixel_expect> pixels;
};

element_spec spec(uint8_t descriptor, uint8_t bits, uint16_t packing)
{
    element_spec e;
    e.descriptor = descriptor;
    e.bits = bits;
    e.packing = packing;
    return e;
}

element_spec padded(element_spec e, uint32_t padding)
{
    e.eol_padding = padding;
    return e;
}

element_spec levels(element_spec e, uint32_t low, uint32_t high)
{
    e.ref_low = low;
    e.ref_high = high;
    return e;
}

element_spec colorimetric(element_spec e, uint8_t code)
{
    e.colorimetric = code;
    return e;
}

bytes le_doubles(std::initializer_list<double> list)
{
    bytes out;
    for (double d : list) {
        uint64_t u;
        memcpy(&u, &d, 8);
        for (int i = 0; i < 8; i++)
            out.push_back((unsigned char)(u >> (8 * i)));
    }
    return out;
}

bytes be_doubles(std::initializer_list<double> list)
{
    bytes out = le_doubles(list);
    for (size_t i = 0; i < out.size(); i += 8) {
        for (int k = 0; k < 4; k++)
            std::swap(out[i + k], out[i + 7 - k]);
    }
    return out;
}

const layout_case layout_cases[] = {
    // 12 bits, method B: values in bits 11..0 of big-endian 16-bit words,
    // the top four bits junk (F in FABC).
    {"12-bit method B, big-endian", false, 2, 1, spec(50, 12, 2),
     {0xFA, 0xBC, 0x01, 0x23, 0x0F, 0xFF, 0x00, 0x00, 0x08, 0x00, 0x00, 0x01},
     {{0, 0, {0xABC, 0x123, 0xFFF}, {171, 18, 255, 255}}, {1, 0, {0, 2048, 1}, {0, 128, 0, 255}}}},
    // 12 bits, method A: values in bits 15..4, the low four bits junk.
    {"12-bit method A, little-endian", true, 2, 1, spec(50, 12, 1),
     {0xC5, 0xAB, 0x3F, 0x12, 0xF0, 0xFF, 0x0F, 0x00, 0x00, 0x80, 0x10, 0x00},
     {{0, 0, {0xABC, 0x123, 0xFFF}, {171, 18, 255, 255}}, {1, 0, {0, 2048, 1}, {0, 128, 0, 255}}}},
    // Four bytes of end-of-line padding (DE AD BE EF) between the lines.
    {"end-of-line padding", false, 1, 2, padded(spec(50, 10, 1), 4),
     {0x10, 0x3A, 0xC8, 0x00, 0xDE, 0xAD, 0xBE, 0xEF, 0xFF, 0xE0, 0x00, 0x0C},
     {{0, 0, {64, 940, 512}, {16, 234, 128, 255}}, {0, 1, {1023, 512, 3}, {255, 128, 1, 255}}}},
    // 1 bit: words 80000001 and 00000082, least significant bit first.
    {"1-bit, little-endian", true, 40, 1, spec(6, 1, 0),
     {0x01, 0x00, 0x00, 0x80, 0x82, 0x00, 0x00, 0x00},
     {{0, 0, {1}, {255, 255, 255, 255}},
      {1, 0, {0}, {0, 0, 0, 255}},
      {31, 0, {1}, {255, 255, 255, 255}},
      {32, 0, {0}, {0, 0, 0, 255}},
      {33, 0, {1}, {255, 255, 255, 255}},
      {38, 0, {0}, {0, 0, 0, 255}},
      {39, 0, {1}, {255, 255, 255, 255}}}},
    {"1-bit, big-endian", false, 40, 1, spec(6, 1, 0),
     {0x80, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x82},
     {{0, 0, {1}, {255, 255, 255, 255}}, {31, 0, {1}, {255, 255, 255, 255}}, {33, 0, {1}, {255, 255, 255, 255}},
      {39, 0, {1}, {255, 255, 255, 255}}, {38, 0, {0}, {0, 0, 0, 255}}}},
    // 64-bit floats clamped to 0..1; NaN shows as 0.
    {"64-bit float, little-endian", true, 2, 1, spec(50, 64, 0), le_doubles({0.5, 2.0, -1.0, 0.25, NAN, 1.0}),
     {{0, 0, {0.5, 2.0, -1.0}, {128, 255, 0, 255}}}},
    {"64-bit float, big-endian", false, 2, 1, spec(50, 64, 0), be_doubles({0.5, 2.0, -1.0, 0.25, 0.0, 1.0}),
     {{0, 0, {0.5, 2.0, -1.0}, {128, 255, 0, 255}}, {1, 0, {0.25, 0.0, 1.0}, {64, 0, 255, 255}}}},
    // 4:2:2:4, odd width: Cb Y0 A0 Cr Y1 A1 | Cb Y2 A2 and three bytes of
    // line fill. The last pixel has no Cr: neutral 128. Levels 16..235:
    // Y2 126 is 110/219; Cb 90 is -38/224; SMPTE 274M gives R 128, G 136, B 48.
    {"4:2:2:4 (101), odd width", true, 3, 1, spec(101, 8, 1),
     {128, 235, 255, 128, 16, 0, 90, 126, 77, 0xEE, 0xEE, 0xEE},
     {{0, 0, {128, 235, 255, 128}, {255, 255, 255, 255}},
      {1, 0, {128, 16, 0, 128}, {0, 0, 0, 0}},
      {2, 0, {90, 126, 77, 128}, {128, 136, 48, 77}}}},
    // 4:2:2, 10 bits, odd width, the file ending with its data: words
    // 803AC800 (Cb 512, Y 940, Cr 512) and 1012C7D0 (Y 64, Cb 300, Y 500).
    // Y 500 is 436/876, Cb 300 is -212/896: R 127, G 138, B 15.
    {"4:2:2 (100), odd width", false, 3, 2, spec(100, 10, 1),
     {0x80, 0x3A, 0xC8, 0x00, 0x10, 0x12, 0xC7, 0xD0, 0x80, 0x3A, 0xC8, 0x00, 0x10, 0x12, 0xC7, 0xD0},
     {{0, 0, {512, 940, 512}, {255, 255, 255, 255}},
      {1, 1, {512, 64, 512}, {0, 0, 0, 255}},
      {2, 1, {300, 500, 512}, {127, 138, 15, 255}}}},
    // 4:4:4:4 at 16 bits, levels 4096..60160: white, and black at half alpha.
    {"4:4:4:4 (103), 16-bit", false, 2, 1, spec(103, 16, 0),
     {0x80, 0x00, 0xEB, 0x00, 0x80, 0x00, 0xFF, 0xFF, 0x80, 0x00, 0x10, 0x00, 0x80, 0x00, 0x80, 0x00},
     {{0, 0, {32768, 60160, 32768, 65535}, {255, 255, 255, 255}},
      {1, 0, {32768, 4096, 32768, 32768}, {0, 0, 0, 128}}}},
    // Y half way, Cr at its top (+0.5): G is 0.5 - 0.5 x 0.714 under
    // ITU-R 601 (codes 7 and 8), 0.5 - 0.5 x 0.4679 under SMPTE 274M.
    {"4:4:4 (102), colorimetric 7", true, 1, 1, colorimetric(spec(102, 10, 1), 7), {0x00, 0x6F, 0x1F, 0x80},
     {{0, 0, {512, 502, 960}, {255, 36, 128, 255}}}},
    {"4:4:4 (102), colorimetric 8", true, 1, 1, colorimetric(spec(102, 10, 1), 8), {0x00, 0x6F, 0x1F, 0x80},
     {{0, 0, {512, 502, 960}, {255, 36, 128, 255}}}},
    {"4:4:4 (102), colorimetric 6", true, 1, 1, colorimetric(spec(102, 10, 1), 6), {0x00, 0x6F, 0x1F, 0x80},
     {{0, 0, {512, 502, 960}, {255, 68, 128, 255}}}},
    {"4:4:4 (102), colorimetric 0", true, 1, 1, spec(102, 10, 1), {0x00, 0x6F, 0x1F, 0x80},
     {{0, 0, {512, 502, 960}, {255, 68, 128, 255}}}},
    // Reference codes: 0..255 (full range) shows Y 128 as 128; undefined or
    // low >= high takes 16..235, where 128 is 112/219.
    {"8-bit 4:4:4, full-range references", true, 1, 1, levels(spec(102, 8, 1), 0, 255), {128, 128, 128, 0},
     {{0, 0, {128, 128, 128}, {128, 128, 128, 255}}}},
    {"8-bit 4:4:4, undefined references", true, 1, 1, spec(102, 8, 1), {128, 128, 128, 0},
     {{0, 0, {128, 128, 128}, {130, 130, 130, 255}}}},
    {"8-bit 4:4:4, references low above high", true, 1, 1, levels(spec(102, 8, 1), 200, 100), {128, 128, 128, 0},
     {{0, 0, {128, 128, 128}, {130, 130, 130, 255}}}},
    // A, B, G, R reordered; R, G, B, A as stored.
    {"A, B, G, R (52)", false, 1, 1, spec(52, 8, 0), {25, 50, 100, 200}, {{0, 0, {25, 50, 100, 200}, {200, 100, 50, 25}}}},
    {"R, G, B, A (51)", true, 1, 1, spec(51, 8, 0), {200, 100, 50, 25}, {{0, 0, {200, 100, 50, 25}, {200, 100, 50, 25}}}},
    // Single components as grey and opaque, the matte too.
    {"alpha (4)", true, 1, 1, spec(4, 8, 0), {77, 0, 0, 0}, {{0, 0, {77}, {77, 77, 77, 255}}}},
    {"depth (8), 16-bit", false, 1, 1, spec(8, 16, 0), {0x80, 0x00, 0, 0}, {{0, 0, {32768}, {128, 128, 128, 255}}}},
    // 10-bit packing 0, big-endian: R 1023 G 0 B 512 is bits 0..29 of word
    // 200003FF read least significant first.
    {"10-bit packed, big-endian", false, 1, 1, spec(50, 10, 0), {0x20, 0x00, 0x03, 0xFF},
     {{0, 0, {1023, 0, 512}, {255, 0, 128, 255}}}},
    // 10-bit method B luma: single components start at bits 9..0.
    {"10-bit method B luma", true, 3, 1, spec(6, 10, 2), {0x01, 0x04, 0xF0, 0x3F},
     {{0, 0, {1}, {0, 0, 0, 255}}, {1, 0, {1}, {0, 0, 0, 255}}, {2, 0, {1023}, {255, 255, 255, 255}}}},
};

} // namespace

TEST(PictureCrafted, LayoutsDecodeToTheCodesAndColoursWorkedOutByHand)
{
    for (const layout_case& c : layout_cases) {
        SCOPED_TRACE(c.what);
        opened o{craft(c.little, c.width, c.height, c.element, c.data), {}, {}};
        open_crafted(&o);
        uint64_t missing = 1;
        bytes picture = show(o, colour, &missing);
        EXPECT_EQ(0u, missing);
        for (const pixel_expect& p : c.pixels) {
            SCOPED_TRACE("pixel " + std::to_string(p.x) + "," + std::to_string(p.y));
            std::vector<double> codes = pixel_codes(o, p.x, p.y);
            ASSERT_EQ(p.codes.size(), codes.size());
            for (size_t k = 0; k < codes.size(); k++)
                EXPECT_EQ(p.codes[k], codes[k]) << o.layout.names[k];
            EXPECT_EQ(p.rgba, rgba_at(picture, o.layout, p.x, p.y));
        }
    }
}

TEST(PictureCrafted, UserDefinedElementsShowTheirFirstThreeComponents)
{
    for (uint8_t descriptor = 150; descriptor <= 156; descriptor++) {
        SCOPED_TRACE("descriptor " + std::to_string(descriptor));
        const int n = descriptor - 148;
        bytes data((n + 3) / 4 * 4, 0);
        for (int k = 0; k < n; k++)
            data[k] = (unsigned char)(10 * (k + 1));
        opened o{craft(true, 1, 1, spec(descriptor, 8, 0), data), {}, {}};
        open_crafted(&o);
        ASSERT_EQ(n, o.layout.components);
        for (int k = 0; k < n; k++)
            EXPECT_EQ(std::to_string(k + 1), o.layout.names[k]);
        EXPECT_EQ(-1, o.layout.alpha);
        bytes want = {10, 20, (unsigned char)(n >= 3 ? 30 : 0), 255};
        EXPECT_EQ(want, rgba_at(show(o, colour), o.layout, 0, 0));
        unsigned char last = (unsigned char)(10 * n);
        EXPECT_EQ(bytes({last, last, last, 255}), rgba_at(show(o, {TRANSFORM_COMPONENT, n - 1}), o.layout, 0, 0));
    }
}

TEST(PictureCrafted, ViewsShowOneQuantityAsOpaqueGrey)
{
    struct row {
        const char* what;
        element_spec element;
        bytes data;
        uint32_t width;
        TRANSFORM_VIEW view;
        uint32_t x;
        bytes rgba;
    };
    const bytes rgba8 = {200, 100, 50, 25};
    // 4:2:2 pair: Cb 100, Y0 16, Cr 200, Y1 235.
    const bytes pair = {100, 16, 200, 235};
    // Y 126 of 16..235 is 110/219 of white.
    const bytes ycc = {90, 126, 128, 0};
    const row rows[] = {
        {"RGBA, green", spec(51, 8, 0), rgba8, 1, {TRANSFORM_COMPONENT, 1}, 0, {100, 100, 100, 255}},
        {"RGBA, alpha", spec(51, 8, 0), rgba8, 1, {TRANSFORM_ALPHA, 0}, 0, {25, 25, 25, 255}},
        // 0.2125 x 200 + 0.7154 x 100 + 0.0721 x 50 = 117.6
        {"RGBA, luma", spec(51, 8, 0), rgba8, 1, {TRANSFORM_LUMA, 0}, 0, {118, 118, 118, 255}},
        {"RGBA, no such component", spec(51, 8, 0), rgba8, 1, {TRANSFORM_COMPONENT, 4}, 0, {0, 0, 0, 255}},
        {"RGB, alpha", spec(50, 8, 0), rgba8, 1, {TRANSFORM_ALPHA, 0}, 0, {255, 255, 255, 255}},
        {"ABGR, red", spec(52, 8, 0), {25, 50, 100, 200}, 1, {TRANSFORM_COMPONENT, 3}, 0, {200, 200, 200, 255}},
        {"4:2:2, Cr of the second pixel", spec(100, 8, 1), pair, 2, {TRANSFORM_COMPONENT, 2}, 1, {200, 200, 200, 255}},
        {"4:2:2, Y of the second pixel", spec(100, 8, 1), pair, 2, {TRANSFORM_COMPONENT, 1}, 1, {235, 235, 235, 255}},
        {"4:2:2, luma of the first pixel", spec(100, 8, 1), pair, 2, {TRANSFORM_LUMA, 0}, 0, {0, 0, 0, 255}},
        {"4:4:4, luma", spec(102, 8, 1), ycc, 1, {TRANSFORM_LUMA, 0}, 0, {128, 128, 128, 255}},
        {"4:4:4, Cb", spec(102, 8, 1), ycc, 1, {TRANSFORM_COMPONENT, 0}, 0, {90, 90, 90, 255}},
        {"luma element, luma", spec(6, 8, 0), {77, 0, 0, 0}, 1, {TRANSFORM_LUMA, 0}, 0, {77, 77, 77, 255}},
        {"float RGB, luma", spec(50, 32, 0), {0, 0, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0}, 1, {TRANSFORM_LUMA, 0}, 0,
         {54, 54, 54, 255}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        opened o{craft(true, r.width, 1, r.element, r.data), {}, {}};
        open_crafted(&o);
        EXPECT_EQ(r.rgba, rgba_at(show(o, r.view), o.layout, r.x, 0));
    }
}

TEST(PictureCrafted, TwoElementsOfDifferentLayoutsInOneFile)
{
    // Element 1: 10-bit RGB method A, little-endian, at 2048 (one word per
    // pixel); element 2: 8-bit luma at 2056, 2 bytes and 2 of line fill.
    opened o{craft(true, 2, 1, spec(50, 10, 1), {0x00, 0xC8, 0x3A, 0x10, 0x0C, 0x00, 0xE0, 0xFF, 7, 200, 0, 0}), {}, {}};
    const size_t second = DPXW_ELEMENT0 + DPXW_ELEMENT_SIZE;
    dpxw_u16(&o.file, DPXW_ELEMENT_COUNT, 2);
    dpxw_u8(&o.file, second + DPXW_EL_DESCRIPTOR, 6);
    dpxw_u8(&o.file, second + DPXW_EL_BIT_DEPTH, 8);
    dpxw_u32(&o.file, second + DPXW_EL_OFFSET_TO_DATA, 2056);
    open_crafted(&o, 0);
    EXPECT_EQ((std::vector<double>{64, 940, 512}), pixel_codes(o, 0, 0));
    EXPECT_EQ((std::vector<double>{1023, 512, 3}), pixel_codes(o, 1, 0));
    EXPECT_EQ(bytes({255, 128, 1, 255}), rgba_at(show(o, colour), o.layout, 1, 0));
    opened luma = o;
    open_crafted(&luma, 1);
    EXPECT_EQ(1, luma.layout.element);
    EXPECT_EQ(2056u, luma.layout.offset);
    EXPECT_EQ(1, luma.layout.components);
    EXPECT_STREQ("Y", luma.layout.names[0]);
    EXPECT_EQ((std::vector<double>{7}), pixel_codes(luma, 0, 0));
    EXPECT_EQ(bytes({200, 200, 200, 255}), rgba_at(show(luma, colour), luma.layout, 1, 0));
}

TEST(PictureCrafted, CutFileCountsAndPaintsTheMissingPixels)
{
    // 4 x 4 10-bit RGB, 16 bytes a line; 26 bytes exist: line 0, two
    // pixels of line 1 and half a word.
    bytes data(26, 0);
    for (size_t i = 0; i < data.size(); i += 4)
        data[i] = 0xFF; // big-endian words FF000000: R 1020
    opened o{craft(false, 4, 4, spec(50, 10, 1), data), {}, {}};
    open_crafted(&o);
    uint64_t missing = 0;
    bytes picture = show(o, colour, &missing);
    EXPECT_EQ(16u - 4 - 2, missing);
    const bytes fallback(transform_fallback_rgba, transform_fallback_rgba + 4);
    EXPECT_EQ(bytes({0, 0, 240, 255}), fallback);
    for (uint32_t y = 0; y < 4; y++) {
        for (uint32_t x = 0; x < 4; x++) {
            bool present = y == 0 || (y == 1 && x < 2);
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(present ? bytes({254, 0, 0, 255}) : fallback, rgba_at(picture, o.layout, x, y));
            EXPECT_EQ(present, !pixel_codes(o, x, y).empty());
        }
    }
}

TEST(PictureCrafted, ElementOneWithoutItsOwnOffsetReadsFromTheImageDataOffset)
{
    for (uint32_t own : {0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(own);
        opened o{craft(true, 1, 1, spec(50, 8, 0), {1, 2, 3, 0}), {}, {}};
        dpxw_u32(&o.file, DPXW_ELEMENT0 + DPXW_EL_OFFSET_TO_DATA, own);
        open_crafted(&o);
        EXPECT_TRUE(o.layout.offset_from_image_data);
        EXPECT_EQ(2048u, o.layout.offset);
        EXPECT_EQ((std::vector<double>{1, 2, 3}), pixel_codes(o, 0, 0));
    }
}

TEST(PictureCrafted, UndecodableElementsAreRefusedWithTheirReason)
{
    struct row {
        const char* what;
        size_t field;
        int size; // bytes of the field: 1, 2 or 4
        uint32_t value;
        int element;
        const char* reason;
    };
    const size_t e0 = DPXW_ELEMENT0, e1 = DPXW_ELEMENT0 + DPXW_ELEMENT_SIZE;
    const row rows[] = {
        {"descriptor 7", e0 + DPXW_EL_DESCRIPTOR, 1, 7, 0,
         "descriptor 7 'Color Difference (Cb, Cr, subsampled by two)' cannot be shown"},
        {"descriptor 0", e0 + DPXW_EL_DESCRIPTOR, 1, 0, 0, "descriptor 0 'User defined"},
        {"descriptor 157", e0 + DPXW_EL_DESCRIPTOR, 1, 157, 0, "descriptor 157 'Reserved"},
        {"bit depth 13", e0 + DPXW_EL_BIT_DEPTH, 1, 13, 0, "bit depth 13 is not a DPX depth"},
        {"packing 3 at 10 bits", e0 + DPXW_EL_PACKING, 2, 3, 0, "packing 3"},
        {"width 0", DPXW_PIXELS_PER_LINE, 4, 0, 0, "the picture has no pixels (0 x 1)"},
        {"height 0", DPXW_LINES, 4, 0, 0, "the picture has no pixels (1 x 0)"},
        {"width 16385", DPXW_PIXELS_PER_LINE, 4, 16385, 0, "the picture is larger than 16384 pixels on a side"},
        {"height 2^31", DPXW_LINES, 4, 0x80000000u, 0, "the picture is larger than 16384 pixels on a side"},
        {"offset past the end", e0 + DPXW_EL_OFFSET_TO_DATA, 4, 1000000, 0,
         "the element's data starts past the end of the file"},
        {"offset at the end", e0 + DPXW_EL_OFFSET_TO_DATA, 4, 2052, 0,
         "the element's data starts past the end of the file"},
        {"second element without an offset", e1 + DPXW_EL_DESCRIPTOR, 1, 50, 1, "the element has no data offset"},
        {"element 9", 0, 0, 0, 8, "there is no image element 9"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        dpx_writer w = craft(true, 1, 1, spec(50, 10, 1), {0, 0, 0, 0});
        if (r.size == 1)
            dpxw_u8(&w, r.field, (uint8_t)r.value);
        else if (r.size == 2)
            dpxw_u16(&w, r.field, (uint16_t)r.value);
        else if (r.size == 4)
            dpxw_u32(&w, r.field, r.value);
        dpxw_u8(&w, e1 + DPXW_EL_BIT_DEPTH, 8);
        DPX_HEADER h;
        ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(w.bytes.data(), w.bytes.size(), &h));
        DECODE_LAYOUT l;
        char reason[DECODE_REASON_SIZE] = "";
        EXPECT_FALSE(decode_layout(&h, r.element, &l, reason));
        EXPECT_EQ(0u, std::string(reason).find(r.reason)) << reason;
    }
}

TEST(PictureCrafted, LayoutRecordsLevelsMatrixAndLineSizes)
{
    struct row {
        const char* what;
        element_spec element;
        uint32_t width;
        uint64_t line_bytes, line_stride;
        double low, high;
        bool defaulted;
        const char* matrix;
    };
    const row rows[] = {
        {"10-bit 4:2:2, undefined references", spec(100, 10, 1), 3, 8, 8, 64, 940, true, "SMPTE 274M"},
        {"12-bit 4:4:4, references 256..3760", levels(spec(102, 12, 1), 256, 3760), 1, 8, 8, 256, 3760, false,
         "SMPTE 274M"},
        {"16-bit 4:4:4, colorimetric 8", colorimetric(spec(102, 16, 0), 8), 1, 8, 8, 4096, 60160, true, "ITU-R601"},
        {"8-bit 4:4:4, low equal to high", levels(spec(102, 8, 1), 16, 16), 5, 16, 16, 16, 235, true, "SMPTE 274M"},
        {"10-bit packed RGB, 37 wide, padding 8", padded(spec(50, 10, 0), 8), 37, 140, 148, 0, 0, false, nullptr},
        {"12-bit packed RGB, 3 wide", spec(50, 12, 0), 3, 16, 16, 0, 0, false, nullptr},
        {"16-bit luma, 3 wide", spec(6, 16, 0), 3, 8, 8, 0, 0, false, nullptr},
        {"1-bit, 33 wide", spec(6, 1, 0), 33, 8, 8, 0, 0, false, nullptr},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        opened o{craft(false, r.width, 1, r.element, bytes(256, 0)), {}, {}};
        open_crafted(&o);
        EXPECT_EQ(r.line_bytes, o.layout.line_bytes);
        EXPECT_EQ(r.line_stride, o.layout.line_stride);
        EXPECT_EQ(r.low, o.layout.reference_low);
        EXPECT_EQ(r.high, o.layout.reference_high);
        EXPECT_EQ(r.defaulted, o.layout.reference_defaulted);
        if (r.matrix) {
            EXPECT_STREQ(r.matrix, o.layout.matrix);
        }
    }
}

TEST(PictureCrafted, EveryCodeShowsAsItsRoundedEightBitLevel)
{
    // One line holding every code of the depth in R, the codes backwards in G
    // and a stride through them in B: each shown level must be
    // (2 x 255 x code + max) / (2 x max), the code scaled with rounding.
    struct row {
        const char* what;
        bool little;
        uint8_t bits;
        uint16_t packing;
        TRANSFORM_VIEW view;
    };
    const row rows[] = {
        {"10-bit method A, little-endian", true, 10, 1, colour},
        {"10-bit method A, big-endian", false, 10, 1, colour},
        {"10-bit method A, big-endian, blue alone", false, 10, 1, {TRANSFORM_COMPONENT, 2}},
        {"10-bit method B, little-endian", true, 10, 2, colour},
        {"10-bit packed, little-endian", true, 10, 0, colour},
        {"12-bit packed, big-endian", false, 12, 0, colour},
        {"12-bit method A, little-endian", true, 12, 1, colour},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        const uint32_t max = (1u << r.bits) - 1;
        const uint32_t width = max + 1 + 5; // and a few past a multiple of 8
        std::vector<uint32_t> samples;
        for (uint32_t x = 0; x < width; x++) {
            samples.push_back(x & max);
            samples.push_back(max - (x & max));
            samples.push_back((x * 7) & max);
        }
        bytes data;
        if (r.bits == 10 && r.packing != 0) {
            const int low = r.packing == 1 ? 2 : 0;
            for (size_t i = 0; i < samples.size(); i += 3) {
                uint32_t w = samples[i] << (low + 20) | samples[i + 1] << (low + 10) | samples[i + 2] << low;
                for (int b = 0; b < 4; b++)
                    data.push_back((unsigned char)(w >> (r.little ? 8 * b : 24 - 8 * b)));
            }
        } else if (r.packing == 0) {
            // Least significant bit first in 32-bit words.
            std::vector<uint32_t> words((samples.size() * r.bits + 31) / 32, 0);
            for (size_t i = 0; i < samples.size(); i++) {
                for (int b = 0; b < r.bits; b++) {
                    size_t bit = i * r.bits + b;
                    words[bit / 32] |= (samples[i] >> b & 1u) << (bit % 32);
                }
            }
            for (uint32_t w : words) {
                for (int b = 0; b < 4; b++)
                    data.push_back((unsigned char)(w >> (r.little ? 8 * b : 24 - 8 * b)));
            }
        } else {
            for (uint32_t s : samples) {
                uint32_t v = s << 4; // 12 bits in bits 15..4
                data.push_back((unsigned char)(r.little ? v : v >> 8));
                data.push_back((unsigned char)(r.little ? v >> 8 : v));
            }
        }
        opened o{craft(r.little, width, 1, spec(50, r.bits, r.packing), data), {}, {}};
        open_crafted(&o);
        bytes picture = show(o, r.view);
        int failures = 0;
        for (uint32_t x = 0; x < width && failures < 5; x++) {
            for (int k = 0; k < 3; k++) {
                uint32_t code = samples[3 * x + (r.view.mode == TRANSFORM_COMPONENT ? r.view.component : k)];
                unsigned want = (2 * 255 * code + max) / (2 * max);
                if (picture[4 * x + k] != want && failures++ < 5)
                    ADD_FAILURE() << "pixel " << x << " channel " << k << " code " << code << " shows "
                                  << (int)picture[4 * x + k] << ", not " << want;
            }
            EXPECT_EQ(255, picture[4 * x + 3]);
        }
    }
}
