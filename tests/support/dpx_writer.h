// Writes DPX file images for the tests, field by field at the offsets of the
// file format, in either byte order. Independent of the reader under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

struct dpx_writer { std::vector<unsigned char> bytes; bool little; };

// Offsets of the fields the tests set most often; DPXW_EL_* are relative to an element record.
enum : size_t {
    DPXW_OFFSET_TO_IMAGE_DATA = 4, DPXW_VERSION = 8, DPXW_TOTAL_SIZE = 16, DPXW_GENERIC_LENGTH = 24,
    DPXW_INDUSTRY_LENGTH = 28, DPXW_USER_LENGTH = 32, DPXW_ORIENTATION = 768, DPXW_ELEMENT_COUNT = 770,
    DPXW_PIXELS_PER_LINE = 772, DPXW_LINES = 776, DPXW_ELEMENT0 = 780, DPXW_ELEMENT_SIZE = 72,
    DPXW_EL_DESCRIPTOR = 20, DPXW_EL_TRANSFER = 21, DPXW_EL_COLORIMETRIC = 22, DPXW_EL_BIT_DEPTH = 23,
    DPXW_EL_PACKING = 24, DPXW_EL_OFFSET_TO_DATA = 28, DPXW_EL_DESCRIPTION = 40,
    DPXW_SMPTE_TIME_CODE = 1920, DPXW_SMPTE_USER_BITS = 1924, DPXW_TEMPORAL_RATE = 1940,
};

// A zero-filled image of `size` bytes (at least 4) starting with the magic number.
dpx_writer dpxw_new(bool little, size_t size);
// An unsigned number of `width` bytes (1, 2 or 4) in the writer's byte order; the image grows to hold it.
void dpxw_put(dpx_writer* w, size_t offset, uint32_t v, size_t width);
// The bits of a 32-bit float, to put as a number.
uint32_t dpxw_float(float v);
// `w` with numbers put as (offset, value, width) triples.
dpx_writer dpxw_edit(dpx_writer w, std::initializer_list<uint32_t> edits);

struct dpx_layout {
    bool little = false;
    uint32_t width = 4, height = 2;
    uint8_t descriptor = 50, bit_depth = 10;
    uint16_t packing = 1;
    uint32_t data_offset = 8192, user_length = 0;
};

// A one-element file with the given layout whose image data is `data`.
dpx_writer dpxw_image(const dpx_layout& layout, const std::vector<unsigned char>& data);

bool dpxw_save(const dpx_writer& w, const std::string& path);
std::vector<unsigned char> dpxw_load(const std::string& path);

// The folder of the files other programs wrote (TESSA_TEST_DATA, else tests/data), and its .dpx files in name order.
std::string dpxw_data_dir();
std::vector<std::string> dpxw_peer_files();
