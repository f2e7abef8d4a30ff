// Orientation codes on a small asymmetric picture: the shown size, the file
// pixel at each shown corner and the texture corners, worked out from the
// code's words; then the three functions and the export against each other.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dpx/dpx_io.h"
#include "picture/decode.h"
#include "picture/export.h"
#include "picture/orient.h"
#include "support/dpx_writer.h"

namespace {

struct corner {
    uint32_t x, y;
};

struct orient_case {
    int code;
    uint32_t shown_width, shown_height;
    corner corners[4]; // file pixel at the shown top left, top right, bottom right, bottom left
    float uv[4][2];
};

// A 3 x 2 picture (3 pixels a line, 2 lines).
const orient_case orient_cases[] = {
    // left to right, top to bottom: as stored
    {0, 3, 2, {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
    // right to left, top to bottom: mirrored
    {1, 3, 2, {{2, 0}, {0, 0}, {0, 1}, {2, 1}}, {{1, 0}, {0, 0}, {0, 1}, {1, 1}}},
    // left to right, bottom to top: the first line at the bottom
    {2, 3, 2, {{0, 1}, {2, 1}, {2, 0}, {0, 0}}, {{0, 1}, {1, 1}, {1, 0}, {0, 0}}},
    // right to left, bottom to top: turned half way round
    {3, 3, 2, {{2, 1}, {0, 1}, {0, 0}, {2, 0}}, {{1, 1}, {0, 1}, {0, 0}, {1, 0}}},
    // top to bottom, left to right: the first line is the left column, read down
    {4, 2, 3, {{0, 0}, {0, 1}, {2, 1}, {2, 0}}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}}},
    // top to bottom, right to left: the first line is the right column, read down
    {5, 2, 3, {{0, 1}, {0, 0}, {2, 0}, {2, 1}}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}}},
    // bottom to top, left to right: the first line is the left column, read up
    {6, 2, 3, {{2, 0}, {2, 1}, {0, 1}, {0, 0}}, {{1, 0}, {1, 1}, {0, 1}, {0, 0}}},
    // bottom to top, right to left: the first line is the right column, read up
    {7, 2, 3, {{2, 1}, {2, 0}, {0, 0}, {0, 1}}, {{1, 1}, {1, 0}, {0, 0}, {0, 1}}},
    // undefined and out-of-range codes stand as stored
    {0xFFFF, 3, 2, {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
    {8, 3, 2, {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
};

} // namespace

TEST(PictureOrient, EveryCodeOnAThreeByTwoPicture)
{
    for (const orient_case& c : orient_cases) {
        SCOPED_TRACE("code " + std::to_string(c.code));
        uint32_t w, h;
        orient_size(c.code, 3, 2, &w, &h);
        EXPECT_EQ(c.shown_width, w);
        EXPECT_EQ(c.shown_height, h);
        const corner shown[4] = {{0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}};
        float uv[4][2];
        orient_uv(c.code, uv);
        for (int k = 0; k < 4; k++) {
            SCOPED_TRACE("corner " + std::to_string(k));
            uint32_t fx, fy;
            orient_to_file(c.code, 3, 2, shown[k].x, shown[k].y, &fx, &fy);
            EXPECT_EQ(c.corners[k].x, fx);
            EXPECT_EQ(c.corners[k].y, fy);
            EXPECT_EQ(c.uv[k][0], uv[k][0]);
            EXPECT_EQ(c.uv[k][1], uv[k][1]);
        }
    }
}

TEST(PictureOrient, MappingsAgreeWithEachOtherAndTheTextureCorners)
{
    for (int code = 0; code < 8; code++) {
        for (uint32_t width : {1u, 2u, 5u}) {
            for (uint32_t height : {1u, 4u}) {
                SCOPED_TRACE("code " + std::to_string(code) + " " + std::to_string(width) + " x " +
                             std::to_string(height));
                uint32_t w, h;
                orient_size(code, width, height, &w, &h);
                ASSERT_EQ((uint64_t)width * height, (uint64_t)w * h);
                std::vector<int> hits((size_t)width * height, 0);
                for (uint32_t sy = 0; sy < h; sy++) {
                    for (uint32_t sx = 0; sx < w; sx++) {
                        uint32_t fx, fy, bx, by;
                        orient_to_file(code, width, height, sx, sy, &fx, &fy);
                        ASSERT_LT(fx, width);
                        ASSERT_LT(fy, height);
                        hits[(size_t)fy * width + fx]++;
                        orient_from_file(code, width, height, fx, fy, &bx, &by);
                        EXPECT_EQ(sx, bx);
                        EXPECT_EQ(sy, by);
                    }
                }
                for (int n : hits)
                    EXPECT_EQ(1, n);
                // A texture corner is the outer corner of the file pixel
                // shown at that corner.
                if (width < 2 || height < 2)
                    continue;
                float uv[4][2];
                orient_uv(code, uv);
                const uint32_t corners[4][2] = {{0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}};
                for (int k = 0; k < 4; k++) {
                    uint32_t fx, fy;
                    orient_to_file(code, width, height, corners[k][0], corners[k][1], &fx, &fy);
                    EXPECT_EQ(fx == 0 ? 0.0f : 1.0f, uv[k][0]);
                    EXPECT_EQ(fy == 0 ? 0.0f : 1.0f, uv[k][1]);
                }
            }
        }
    }
}

TEST(PictureOrient, ExportPlacesEveryFilePixelWhereTheCodeSays)
{
    // 3 x 2 8-bit RGB: pixel (x, y) is 10 + 40 x, 10 + 40 y, 7.
    std::vector<unsigned char> data;
    for (uint32_t y = 0; y < 2; y++) {
        for (uint32_t x = 0; x < 3; x++) {
            data.push_back((unsigned char)(10 + 40 * x));
            data.push_back((unsigned char)(10 + 40 * y));
            data.push_back(7);
        }
        data.push_back(0xEE); // 9 bytes fill a line of 12
        data.push_back(0xEE);
        data.push_back(0xEE);
    }
    dpx_layout layout;
    layout.width = 3;
    layout.height = 2;
    layout.bit_depth = 8;
    layout.packing = 0;
    layout.data_offset = 2048;
    dpx_writer file = dpxw_image(layout, data);
    DPX_HEADER header;
    ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(file.bytes.data(), file.bytes.size(), &header));
    DECODE_LAYOUT l;
    char reason[DECODE_REASON_SIZE];
    ASSERT_TRUE(decode_layout(&header, 0, &l, reason)) << reason;
    for (int code = 0; code < 8; code++) {
        SCOPED_TRACE("code " + std::to_string(code));
        EXPORT_PICTURE shape;
        export_shape(&l, code, &shape);
        ASSERT_EQ(3, shape.channels);
        ASSERT_EQ(8, shape.bits);
        std::vector<unsigned char> pixels(shape.bytes);
        uint64_t missing = 1;
        export_picture(&l, file.bytes.data(), file.bytes.size(), &shape, pixels.data(), &missing);
        EXPECT_EQ(0u, missing);
        for (uint32_t sy = 0; sy < shape.height; sy++) {
            for (uint32_t sx = 0; sx < shape.width; sx++) {
                uint32_t fx, fy;
                orient_to_file(code, 3, 2, sx, sy, &fx, &fy);
                const unsigned char* px = &pixels[((size_t)sy * shape.width + sx) * 3];
                EXPECT_EQ(10 + 40 * fx, px[0]);
                EXPECT_EQ(10 + 40 * fy, px[1]);
                EXPECT_EQ(7, px[2]);
            }
        }
    }
}
