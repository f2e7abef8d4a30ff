// The preview read a band of lines at a time on two threads gives the bytes of
// the conversion of the whole source at once.
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "pixconv/pixconv.h"
#include "pixconv/pixconv_read.h"
#include "support/memory_source.h"

namespace {

typedef std::vector<unsigned char> bytes;

} // namespace

TEST(PreviewRead, BandsOnTwoThreadsGiveTheWholeConversion)
{
    // An odd width off every vector step; 300 lines are more than four bands
    // of every layout, so the helper thread takes part. Sources whole, cut
    // inside a line and a group, and absent; a layout without a converter.
    std::mt19937 random(2160);
    bytes noise(8 * 4099 * 300);
    for (unsigned char& b : noise)
        b = (unsigned char)random();
    std::vector<PIXCONV_FORMAT> rows(format_table, format_table + PIXCONV_FORMAT_COUNT);
    rows.push_back({7, 8, 0, DPX_MAGIC_BIG_ENDIAN, nullptr, 1, 1});
    static PIXCONV_READ job;
    for (const PIXCONV_FORMAT& row : rows)
        for (size_t size : {noise.size(), (size_t)1234567, (size_t)0}) {
            DPX_HEADER header = {};
            header.file_information.magic_number = row.magic_number;
            header.image_information.pixels_per_line = 4099;
            header.image_information.lines_per_image_element = 300;
            DPX_HEADER_DATA_STRUCTURE& e = header.image_information.image_element[0];
            e.descriptor = row.descriptor, e.bit_depth = row.bit_depth, e.packing = row.packing;
            header.image_data = size ? noise.data() : nullptr;
            header.image_data_size = size;
            bytes whole(4 * 4099 * 300, 0x55), banded(whole.size(), 0xAA);
            pixconv_execute(&header, whole.data());
            memory_source source{noise.data(), size};
            pixconv_read_start(&job, &header, memory_read, &source, banded.data());
            EXPECT_EQ(row.func != nullptr, job.helper.joinable());
            pixconv_read_finish(&job);
            pixconv_read_end(&job);
            EXPECT_TRUE(whole == banded) << "descriptor " << (int)row.descriptor << ", " << (int)row.bit_depth
                                         << " bits, packing " << row.packing << ", " << size << " bytes";
        }
}
