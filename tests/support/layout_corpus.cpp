#include "support/layout_corpus.h"

#include <cstdio>
#include <filesystem>

#include "dpx/dpx_header.h"
#include "dpx/dpx_layout.h"
#include "pixconv/pixconv.h"
#include "support/dpx_writer.h"

namespace {

const uint32_t seed_width = 5, seed_height = 3;

// A one-element file whose data fills its lines with varied bytes.
layout_seed seed(const char* prefix, uint8_t descriptor, uint8_t bits, uint16_t packing, bool little,
                 uint16_t orientation)
{
    dpx_layout layout;
    layout.little = little;
    layout.width = seed_width;
    layout.height = seed_height;
    layout.descriptor = descriptor;
    layout.bit_depth = bits;
    layout.packing = packing;
    layout.data_offset = 2048;
    uint64_t line = 0;
    dpx_layout_line_bytes((uint64_t)seed_width * dpx_layout_samples_per_pixel(descriptor), bits, packing, &line);
    std::vector<unsigned char> data(line * seed_height);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (unsigned char)(i * 37 + 11);
    dpx_writer w = dpxw_image(layout, data);
    dpxw_u16(&w, DPXW_ORIENTATION, orientation);
    char name[64];
    snprintf(name, sizeof name, "%s-d%03d-b%02d-p%d-%s.dpx", prefix, descriptor, bits, packing, little ? "le" : "be");
    return {name, w.bytes};
}

} // namespace

std::vector<layout_seed> layout_corpus_pixconv()
{
    std::vector<layout_seed> seeds;
    for (const PIXCONV_FORMAT& row : format_table)
        seeds.push_back(seed("pixconv", row.descriptor, row.bit_depth, row.packing,
                             row.magic_number == DPX_MAGIC_LITTLE_ENDIAN, 0));
    return seeds;
}

std::vector<layout_seed> layout_corpus_decode()
{
    static const uint8_t descriptors[] = {1,   2,   3,   4,   6,   8,   50,  51,  52,  100,
                                          101, 102, 103, 150, 151, 152, 153, 154, 155, 156};
    struct depth {
        uint8_t bits;
        uint16_t packing;
    };
    static const depth depths[] = {{1, 0},  {8, 0},  {10, 0}, {10, 1}, {10, 2}, {12, 0},
                                   {12, 1}, {12, 2}, {16, 0}, {32, 0}, {64, 0}};
    std::vector<layout_seed> seeds;
    for (uint8_t d : descriptors) {
        for (const depth& b : depths) {
            for (bool little : {false, true})
                seeds.push_back(seed("decode", d, b.bits, b.packing, little, (uint16_t)(seeds.size() % 8)));
        }
    }
    return seeds;
}

bool layout_corpus_write(const std::vector<layout_seed>& seeds, const std::string& dir)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    for (const layout_seed& s : seeds) {
        if (!dpxw_save(dpx_writer{s.bytes, false}, dir + "/" + s.name))
            return false;
    }
    return true;
}
