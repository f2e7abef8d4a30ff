// The Picture decoder in bands of lines on several threads: every layout
// gives one thread's bytes and missing count whatever the number of threads.
#include <random>

#include <gtest/gtest.h>

#include "dpx/dpx_io.h"
#include "picture/transform.h"
#include "support/dpx_writer.h"

namespace {

const bool BE = false, LE = true;
const uint32_t width = 37, height = 150; // an odd width: every line ends off the vector steps
#define SCANITY 1556, 0x5363616E, 4, 1560, 0x6974, 2, 1562, 'y', 1

struct band_case {
    const char* name;
    bool little;
    uint8_t descriptor, bits;
    uint16_t packing;
    size_t bytes;        // of image data, random
    uint64_t missing;    // pixels whose bytes are cut off, counted by hand
    TRANSFORM_VIEW view;
    std::initializer_list<uint32_t> edits;
};

const TRANSFORM_VIEW colour{TRANSFORM_COLOUR, 0};

// Line bytes: 10-bit filled RGB 148, packed 10-bit RGB 140, packed 12-bit
// 168, 8-bit RGB 112, 16-bit 224, float 444, 10-bit 4:2:2 100, 10-bit luma 52.
const band_case cases[] = {
    {"10-bit filled A LE", LE, 50, 10, 1, 148 * height, 0, colour, {}},
    {"10-bit filled A BE", BE, 50, 10, 1, 148 * height, 0, colour, {}},
    {"10-bit filled B LE", LE, 50, 10, 2, 148 * height, 0, colour, {}},
    {"10-bit filled B BE", BE, 50, 10, 2, 148 * height, 0, {TRANSFORM_COMPONENT, 1}, {}},
    {"10-bit packed LE", LE, 50, 10, 0, 140 * height, 0, colour, {}},
    {"10-bit packed BE", BE, 50, 10, 0, 140 * height, 0, colour, {}},
    {"12-bit packed BE", BE, 50, 12, 0, 168 * height, 0, colour, {}},
    {"12-bit packed LE", LE, 50, 12, 0, 168 * height, 0, {TRANSFORM_LUMA, 0}, {}},
    {"8-bit RGB", LE, 50, 8, 0, 112 * height, 0, colour, {}},
    {"8-bit RGBA alpha", BE, 51, 8, 0, 148 * height, 0, {TRANSFORM_ALPHA, 0}, {}},
    {"16-bit RGB", BE, 50, 16, 0, 224 * height, 0, colour, {}},
    {"32-bit float RGB", LE, 50, 32, 0, 444 * height, 0, colour, {}},
    {"10-bit 4:2:2 BE", BE, 100, 10, 1, 100 * height, 0, colour, {}},
    {"10-bit 4:2:2 LE luma", LE, 100, 10, 1, 100 * height, 0, {TRANSFORM_LUMA, 0}, {}},
    {"10-bit luma unpadded", BE, 6, 10, 1, 52 * height, 0, colour, {SCANITY}},
    // Cut in line 140 after 16 whole pixels: 21 + 9 x 37 missing.
    {"8-bit RGB cut", LE, 50, 8, 0, 112 * 140 + 50, 354, colour, {}},
    // Line 100 keeps 15 words, 16 whole pixels: 21 + 49 x 37.
    {"10-bit packed cut", LE, 50, 10, 0, 140 * 100 + 60, 1834, colour, {}},
    // Line 100 keeps 30 samples; pixel 14 lacks its Cr: 23 + 49 x 37.
    {"10-bit 4:2:2 cut", BE, 100, 10, 1, 100 * 100 + 40, 1836, colour, {}},
};

} // namespace

TEST(Bands, EveryLayoutGivesOneThreadsBytesOnAnyNumberOfThreads)
{
    std::mt19937 random(21);
    for (const band_case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> data(c.bytes);
        for (unsigned char& b : data)
            b = (unsigned char)random();
        dpx_layout shape;
        shape.little = c.little;
        shape.width = width;
        shape.height = height;
        shape.descriptor = c.descriptor;
        shape.bit_depth = c.bits;
        shape.packing = c.packing;
        const dpx_writer file = dpxw_edit(dpxw_image(shape, data), c.edits);
        DPX_HEADER header;
        DECODE_LAYOUT layout;
        char reason[DECODE_REASON_SIZE];
        ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(file.bytes.data(), file.bytes.size(), &header));
        ASSERT_TRUE(decode_layout(&header, 0, &layout, reason)) << reason;
        EXPECT_EQ(c.descriptor == 6, layout.unpadded);
        const size_t size = (size_t)width * height * 4;
        std::vector<unsigned char> one(size, 0x55);
        uint64_t missing_one = 1;
        transform_picture_threads(&layout, file.bytes.data(), file.bytes.size(), c.view, one.data(), &missing_one, 1);
        EXPECT_EQ(c.missing, missing_one);
        for (int threads : {2, 3, 7, 0}) { // 0: transform_picture's own choice
            std::vector<unsigned char> many(size, 0xAA);
            uint64_t missing = 1;
            if (threads)
                transform_picture_threads(&layout, file.bytes.data(), file.bytes.size(), c.view, many.data(),
                                          &missing, threads);
            else
                transform_picture(&layout, file.bytes.data(), file.bytes.size(), c.view, many.data(), &missing);
            EXPECT_EQ(c.missing, missing) << threads << " threads";
            EXPECT_TRUE(one == many) << threads << " threads";
        }
    }
}
