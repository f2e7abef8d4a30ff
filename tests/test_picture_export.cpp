// The export's shape and samples per layout, and the PNG file read back.
#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include "dpx/dpx_io.h"
#include "picture/decode.h"
#include "picture/export.h"
#include "picture/png_export.h"
#include "support/dpx_writer.h"

namespace {

struct exported {
    EXPORT_PICTURE shape;
    std::vector<uint16_t> storage; // aligned for 16-bit samples
    uint64_t missing;
    unsigned char* pixels() { return (unsigned char*)storage.data(); }
};

bool export_file(const dpx_writer& file, exported* out)
{
    DPX_HEADER header;
    if (dpx_io_header_read(file.bytes.data(), file.bytes.size(), &header) != DPX_IO_OK)
        return false;
    DECODE_LAYOUT l;
    char reason[DECODE_REASON_SIZE];
    if (!decode_layout(&header, 0, &l, reason))
        return false;
    export_shape(&l, l.orientation, &out->shape);
    out->storage.assign((out->shape.bytes + 1) / 2, 0x5555);
    export_picture(&l, file.bytes.data(), file.bytes.size(), &out->shape, out->pixels(), &out->missing);
    return true;
}

dpx_writer file_of(uint8_t descriptor, uint8_t bits, uint16_t packing, uint32_t width, uint32_t height,
                   const std::vector<unsigned char>& data)
{
    dpx_layout layout;
    layout.little = false;
    layout.width = width;
    layout.height = height;
    layout.descriptor = descriptor;
    layout.bit_depth = bits;
    layout.packing = packing;
    layout.data_offset = 2048;
    return dpxw_image(layout, data);
}

struct png_read {
    uint32_t width = 0, height = 0;
    int bits = 0, colour_type = -1;
    std::vector<std::vector<unsigned char>> rows;
};

// The classic libpng reader, rows as stored (16-bit samples most
// significant byte first).
bool read_png(const std::string& path, png_read* out)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    out->width = png_get_image_width(png, info);
    out->height = png_get_image_height(png, info);
    out->bits = png_get_bit_depth(png, info);
    out->colour_type = png_get_color_type(png, info);
    size_t row_bytes = png_get_rowbytes(png, info);
    out->rows.assign(out->height, std::vector<unsigned char>(row_bytes));
    for (auto& row : out->rows)
        png_read_row(png, row.data(), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(f);
    return true;
}

std::string temp_path(const char* name)
{
    return std::string(P_tmpdir) + "/tessa-" + std::to_string(getpid()) + "-" + name;
}

} // namespace

TEST(PictureExport, ShapeFollowsTheLayout)
{
    struct row {
        uint8_t descriptor, bits;
        uint16_t packing;
        int channels, sample_bits;
    };
    const row rows[] = {
        {6, 8, 0, 1, 8},     {4, 8, 0, 1, 8},     {6, 1, 0, 1, 8},    {6, 10, 1, 1, 16},  {50, 8, 0, 3, 8},
        {50, 10, 1, 3, 16},  {50, 32, 0, 3, 16},  {51, 8, 0, 4, 8},   {52, 16, 0, 4, 16}, {100, 10, 1, 3, 16},
        {101, 8, 1, 4, 8},   {102, 12, 1, 3, 16}, {103, 16, 0, 4, 16}, {150, 8, 0, 3, 8}, {156, 16, 0, 3, 16},
    };
    for (const row& r : rows) {
        SCOPED_TRACE("descriptor " + std::to_string(r.descriptor) + " bits " + std::to_string(r.bits));
        exported e;
        ASSERT_TRUE(export_file(file_of(r.descriptor, r.bits, r.packing, 5, 3, std::vector<unsigned char>(512, 0)),
                                &e));
        EXPECT_EQ(r.channels, e.shape.channels);
        EXPECT_EQ(r.sample_bits, e.shape.bits);
        EXPECT_EQ(5u * r.channels * (r.sample_bits / 8), e.shape.row_bytes);
        EXPECT_EQ(3 * e.shape.row_bytes, e.shape.bytes);
    }
}

TEST(PictureExport, SixteenBitSamplesAndMissingPixels)
{
    // 10-bit RGB, big-endian method A: 64, 940, 512 (word 103AC800) scaled
    // to 16 bits with rounding: 4100, 60218, 32800. The second pixel is cut
    // off: the fallback colour at 16 bits.
    exported e;
    dpx_writer file = file_of(50, 10, 1, 2, 1, {0x10, 0x3A, 0xC8, 0x00, 0xFF, 0xFF});
    ASSERT_TRUE(export_file(file, &e));
    EXPECT_EQ(1u, e.missing);
    const uint16_t* px = e.storage.data();
    EXPECT_EQ((std::vector<uint16_t>{4100, 60218, 32800, 0, 0, 240 * 257}), std::vector<uint16_t>(px, px + 6));
}

TEST(PictureExport, PngReadsBackAsWritten)
{
    struct row {
        const char* what;
        EXPORT_PICTURE shape;
        std::vector<uint16_t> samples; // host order; 8-bit pictures use the low byte
        int colour_type;
        std::vector<std::vector<unsigned char>> rows;
    };
    const row rows[] = {
        {"16-bit RGB", {2, 1, 0, 3, 16, 12, 12}, {0x1234, 0xABCD, 0x0001, 0xFFFF, 0x8000, 0x00FF},
         PNG_COLOR_TYPE_RGB, {{0x12, 0x34, 0xAB, 0xCD, 0x00, 0x01, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0xFF}}},
        {"8-bit grey", {1, 2, 0, 1, 8, 1, 2}, {}, PNG_COLOR_TYPE_GRAY, {{7}, {250}}},
        {"8-bit grey and alpha", {1, 1, 0, 2, 8, 2, 2}, {}, PNG_COLOR_TYPE_GRAY_ALPHA, {{9, 128}}},
        {"8-bit RGBA", {1, 1, 0, 4, 8, 4, 4}, {}, PNG_COLOR_TYPE_RGB_ALPHA, {{1, 2, 3, 4}}},
        {"16-bit grey", {1, 1, 0, 1, 16, 2, 2}, {0xBEEF}, PNG_COLOR_TYPE_GRAY, {{0xBE, 0xEF}}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<uint16_t> storage(r.samples);
        std::vector<unsigned char> flat;
        for (const auto& line : r.rows)
            flat.insert(flat.end(), line.begin(), line.end());
        const unsigned char* pixels = r.shape.bits == 16 ? (const unsigned char*)storage.data() : flat.data();
        std::string path = temp_path("export.png");
        char reason[PNG_EXPORT_REASON_SIZE] = "";
        ASSERT_TRUE(png_export_write(path.c_str(), &r.shape, pixels, reason)) << reason;
        png_read back;
        ASSERT_TRUE(read_png(path, &back));
        remove(path.c_str());
        EXPECT_EQ(r.shape.width, back.width);
        EXPECT_EQ(r.shape.height, back.height);
        EXPECT_EQ(r.shape.bits, back.bits);
        EXPECT_EQ(r.colour_type, back.colour_type);
        EXPECT_EQ(r.rows, back.rows);
    }
}

TEST(PictureExport, PngRefusesWhatItCannotWrite)
{
    const unsigned char pixel[8] = {};
    char reason[PNG_EXPORT_REASON_SIZE] = "";
    EXPORT_PICTURE shape{1, 1, 0, 3, 8, 3, 3};
    EXPECT_FALSE(png_export_write("/nonexistent-dir/out.png", &shape, pixel, reason));
    EXPECT_EQ(0u, std::string(reason).find("cannot create /nonexistent-dir/out.png")) << reason;
    EXPORT_PICTURE bad{1, 1, 0, 5, 8, 5, 5};
    EXPECT_FALSE(png_export_write(temp_path("bad.png").c_str(), &bad, pixel, reason));
    EXPECT_EQ(0u, std::string(reason).find("a 1 x 1 picture of 5 channels at 8 bits has no PNG form")) << reason;
}
