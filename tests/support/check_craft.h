// Crafted files for the consistency checks: the default one-element file of
// dpxw_image changed field by field, and the comparison of findings with
// what a test worked out from the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "checks/checks.h"
#include "support/dpx_writer.h"

// Offsets the writer does not name.
enum : size_t {
    CRAFT_ENCRYPTION_KEY = 660,
    CRAFT_FILM_RATE = 1724,
    // Relative to an element record.
    CRAFT_EL_REFERENCE_LOW = 4,
    CRAFT_EL_REFERENCE_HIGH = 12,
    CRAFT_EL_END_OF_LINE_PADDING = 32,
    CRAFT_EL_END_OF_IMAGE_PADDING = 36,
};

extern const char* const CRAFT_E1_OFFSET; // element 1's offset_to_data, as a field path

// One change to a crafted file: a number of `width` bytes, text (width -1),
// or a new length of the file (width 0).
struct craft_edit {
    size_t offset;
    int width;
    uint32_t value;
    std::string text;
};

craft_edit craft_u8(size_t offset, uint8_t v);
craft_edit craft_u16(size_t offset, uint16_t v);
craft_edit craft_u32(size_t offset, uint32_t v);
craft_edit craft_f32(size_t offset, float v);
craft_edit craft_text(size_t offset, const std::string& s);
craft_edit craft_grow(size_t size);

// The file offset of `field` in element record `index` (0 to 7).
size_t craft_el(int index, size_t field);
// Element `index` laid out like the default first one (RGB, 10 bits, filled) at `offset`.
std::vector<craft_edit> craft_element_like_first(int index, uint32_t offset);
std::vector<craft_edit> craft_join(std::vector<craft_edit> a, const std::vector<craft_edit>& b);

dpx_layout craft_layout(uint32_t width, uint32_t height, uint8_t descriptor, uint8_t bits, uint16_t packing);
dpx_layout craft_at(uint32_t data_offset, uint32_t user_length = 0);

// dpxw_image of `layout` in the given byte order with `data_bytes` bytes of data, then the edits.
dpx_writer craft_file(dpx_layout layout, size_t data_bytes, const std::vector<craft_edit>& edits, bool little);

// The findings for a file image read with dpx_io_header_read and checked against `file_size`.
std::vector<CHECK_FINDING> craft_findings(const std::vector<unsigned char>& bytes, uint64_t file_size);

// "severity id" of every finding, in the order given.
std::vector<std::string> craft_kinds(const std::vector<CHECK_FINDING>& findings);

// Expects exactly the findings `want` ("severity id", in any order), in
// severity order, each a single line with fields; when `message` is not
// empty, one finding's message holds it and that finding's fields hold
// `field` (when not empty).
void craft_expect_findings(const std::vector<CHECK_FINDING>& got, std::vector<std::string> want,
                           const std::string& message, const std::string& field);

// A crafted file per row: the default one-element file (4 x 2 RGB, 10 bits
// filled, 32 bytes of data at 8192, 8224 bytes in all) changed as it says.
struct craft_case {
    const char* name;
    std::vector<craft_edit> edits;
    std::vector<std::string> expect;
    std::string message;
    std::string field;
    dpx_layout base = dpx_layout();
    size_t data_bytes = 32;
    int64_t file_size = -1; // -1: the crafted length
};

// Every row in both byte orders.
void craft_expect_cases(const std::vector<craft_case>& cases);
