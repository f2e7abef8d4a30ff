#include "support/layout_corpus.h"

#include <cstdio>
#include <filesystem>

#include "dpx/dpx_layout.h"
#include "pixconv/pixconv.h"
#include "support/dpx_writer.h"

std::vector<unsigned char> dpx(bool little, uint32_t w, uint32_t h, uint8_t descriptor, uint8_t bits,
                               uint16_t packing, const std::string& hex, std::initializer_list<uint32_t> edits)
{
    std::vector<unsigned char> data;
    for (size_t i = 0; i < hex.size(); i += hex[i] == ' ' ? 1 : 2) {
        if (hex[i] != ' ')
            data.push_back((unsigned char)std::stoul(hex.substr(i, 2), nullptr, 16));
    }
    return dpxw_edit(dpxw_image(dpx_layout{little, w, h, descriptor, bits, packing, 2048}, data), edits).bytes;
}

namespace {

// A 5 x 3 file whose lines hold varied bytes.
void add(layout_seeds* seeds, const char* prefix, uint8_t descriptor, uint8_t bits, uint16_t packing, bool little,
         uint16_t orientation)
{
    uint64_t line = 0;
    dpx_layout_line_bytes(5u * dpx_layout_samples_per_pixel(descriptor), bits, packing, &line);
    std::vector<unsigned char> data(line * 3);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (unsigned char)(i * 37 + 11);
    char name[64];
    snprintf(name, sizeof name, "%s-d%03d-b%02d-p%d-%s.dpx", prefix, descriptor, bits, packing, little ? "le" : "be");
    dpx_writer file = dpxw_image(dpx_layout{little, 5, 3, descriptor, bits, packing, 2048}, data);
    dpxw_put(&file, DPXW_ORIENTATION, orientation, 2);
    (*seeds)[name] = file.bytes;
}

} // namespace

layout_seeds layout_corpus_pixconv()
{
    layout_seeds seeds;
    for (const PIXCONV_FORMAT& row : format_table)
        add(&seeds, "pixconv", row.descriptor, row.bit_depth, row.packing, row.magic_number == DPX_MAGIC_LITTLE_ENDIAN, 0);
    return seeds;
}

layout_seeds layout_corpus_decode()
{
    const uint8_t descriptors[] = {1, 2, 3, 4, 6, 8, 50, 51, 52, 100, 101, 102, 103, 150, 151, 152, 153, 154, 155, 156};
    const uint8_t depths[][2] = {{1, 0},  {8, 0},  {10, 0}, {10, 1}, {10, 2}, {12, 0},
                                 {12, 1}, {12, 2}, {16, 0}, {32, 0}, {64, 0}}; // bits, packing
    layout_seeds seeds;
    for (uint8_t d : descriptors)
        for (const uint8_t* b : depths)
            for (bool little : {false, true})
                add(&seeds, "decode", d, b[0], b[1], little, (uint16_t)(seeds.size() % 8));
    return seeds;
}

bool layout_corpus_write(const layout_seeds& seeds, const std::string& dir)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    for (const auto& [name, bytes] : seeds)
        if (!dpxw_save(dpx_writer{bytes, false}, dir + "/" + name))
            return false;
    return true;
}
