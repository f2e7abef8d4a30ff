// Files written by other programs: the reader and the preview must agree
// with what they hold (four quadrants, red, green, blue and white).
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dpx/dpx_io.h"
#include "pixconv/pixconv.h"
#include "support/dpx_writer.h"

namespace {

struct peer {
    const char* name;
    uint8_t descriptor;
    uint8_t bits;
    uint16_t packing;
    uint32_t offset;
    bool converted;
};

const peer peers[] = {
    {"imagemagick-rgb8-be.dpx", 50, 8, 0, 8192, true},     {"imagemagick-rgb10-be.dpx", 50, 10, 1, 8192, true},
    {"imagemagick-rgb12-be.dpx", 50, 12, 1, 8192, true},   {"imagemagick-rgb16-be.dpx", 50, 16, 0, 8192, true},
    {"imagemagick-rgba8-be.dpx", 51, 8, 0, 8192, true},    {"graphicsmagick-rgb8-be.dpx", 50, 8, 0, 8192, true},
    {"graphicsmagick-rgb10-be.dpx", 50, 10, 1, 8192, true}, {"ffmpeg-rgb8-le.dpx", 50, 8, 0, 1664, true},
    {"ffmpeg-rgb10-le.dpx", 50, 10, 1, 1664, true},        {"ffmpeg-rgb12-le.dpx", 50, 12, 1, 1664, true},
    {"ffmpeg-rgb16-le.dpx", 50, 16, 0, 1664, true},        {"ffmpeg-rgb16-be.dpx", 50, 16, 0, 1664, true},
    {"ffmpeg-rgba8-le.dpx", 51, 8, 0, 1664, false},        {"openimageio-rgb8-le.dpx", 50, 8, 1, 8192, true},
    {"openimageio-rgb10-le.dpx", 50, 10, 1, 8192, true},   {"openimageio-rgb12-le.dpx", 50, 12, 0, 8192, false},
    {"openimageio-rgb16-le.dpx", 50, 16, 1, 8192, true},
};

std::string data_path(const char* name)
{
    const char* dir = getenv("TESSA_TEST_DATA");
    return std::string(dir ? dir : "tests/data") + "/" + name;
}

// A channel written full reads 254 or 255 after reduction to 8 bits; an empty
// one 0, except that FFmpeg's 10-bit file stores blue 4 (of 1023) in its green
// quadrant, which reduces to 1.
void expect_colour(const unsigned char* px, int r, int g, int b, const std::string& where)
{
    int want[3] = {r, g, b};
    for (int c = 0; c < 3; c++) {
        if (want[c])
            EXPECT_GE(px[c], 254) << where << " channel " << c;
        else
            EXPECT_LE(px[c], 1) << where << " channel " << c;
    }
}

} // namespace

TEST(PeerFiles, HeadersAndQuadrantColours)
{
    for (const peer& p : peers) {
        SCOPED_TRACE(p.name);
        std::vector<unsigned char> image = dpxw_load(data_path(p.name));
        ASSERT_GT(image.size(), 2048u);
        DPX_HEADER h;
        ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(image.data(), image.size(), &h));
        const DPX_HEADER_DATA_STRUCTURE& e = h.image_information.image_element[0];
        EXPECT_EQ(32u, h.image_information.pixels_per_line);
        EXPECT_EQ(16u, h.image_information.lines_per_image_element);
        EXPECT_EQ(p.descriptor, e.descriptor);
        EXPECT_EQ(p.bits, e.bit_depth);
        EXPECT_EQ(p.packing, e.packing);
        EXPECT_EQ(p.offset, h.file_information.offset_to_image_data);
        EXPECT_EQ(image.data() + p.offset, h.image_data);
        EXPECT_EQ(image.size() - p.offset, h.image_data_size);

        size_t bytes = 0;
        ASSERT_TRUE(pixconv_rgba_size(&h, &bytes));
        ASSERT_EQ(32u * 16 * 4, bytes);
        std::vector<unsigned char> rgba(bytes, 0x55);
        EXPECT_EQ(p.converted, pixconv_execute(&h, rgba.data()));
        for (int y = 0; y < 16; y++) {
            for (int x = 0; x < 32; x++) {
                const unsigned char* px = &rgba[(y * 32 + x) * 4];
                std::string where = std::to_string(x) + "," + std::to_string(y);
                if (!p.converted) {
                    EXPECT_EQ(0, memcmp(px, pixconv_fallback_rgba, 4)) << where;
                    continue;
                }
                bool right = x >= 16, bottom = y >= 8;
                if (!bottom && !right)
                    expect_colour(px, 1, 0, 0, where);
                else if (!bottom)
                    expect_colour(px, 0, 1, 0, where);
                else if (!right)
                    expect_colour(px, 0, 0, 1, where);
                else
                    expect_colour(px, 1, 1, 1, where);
            }
        }
    }
}
