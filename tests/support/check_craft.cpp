#include "support/check_craft.h"

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "dpx/dpx_io.h"

const char* const CRAFT_E1_OFFSET = "image_information.image_element[0].offset_to_data";

craft_edit craft_u8(size_t offset, uint8_t v)
{
    return {offset, 1, v, ""};
}

craft_edit craft_u16(size_t offset, uint16_t v)
{
    return {offset, 2, v, ""};
}

craft_edit craft_u32(size_t offset, uint32_t v)
{
    return {offset, 4, v, ""};
}

craft_edit craft_f32(size_t offset, float v)
{
    uint32_t bits;
    memcpy(&bits, &v, 4);
    return {offset, 4, bits, ""};
}

craft_edit craft_text(size_t offset, const std::string& s)
{
    return {offset, -1, 0, s};
}

craft_edit craft_grow(size_t size)
{
    return {size, 0, 0, ""};
}

size_t craft_el(int index, size_t field)
{
    return DPXW_ELEMENT0 + DPXW_ELEMENT_SIZE * (size_t)index + field;
}

std::vector<craft_edit> craft_element_like_first(int index, uint32_t offset)
{
    return {craft_u8(craft_el(index, DPXW_EL_DESCRIPTOR), 50), craft_u8(craft_el(index, DPXW_EL_BIT_DEPTH), 10),
            craft_u16(craft_el(index, DPXW_EL_PACKING), 1), craft_u32(craft_el(index, DPXW_EL_OFFSET_TO_DATA), offset)};
}

std::vector<craft_edit> craft_join(std::vector<craft_edit> a, const std::vector<craft_edit>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

dpx_layout craft_layout(uint32_t width, uint32_t height, uint8_t descriptor, uint8_t bits, uint16_t packing)
{
    dpx_layout l;
    l.width = width;
    l.height = height;
    l.descriptor = descriptor;
    l.bit_depth = bits;
    l.packing = packing;
    return l;
}

dpx_layout craft_at(uint32_t data_offset, uint32_t user_length)
{
    dpx_layout l;
    l.data_offset = data_offset;
    l.user_length = user_length;
    return l;
}

dpx_writer craft_file(dpx_layout layout, size_t data_bytes, const std::vector<craft_edit>& edits, bool little)
{
    layout.little = little;
    dpx_writer w = dpxw_image(layout, std::vector<unsigned char>(data_bytes, 0x40));
    for (const craft_edit& e : edits) {
        if (e.width == 0)
            w.bytes.resize(e.offset, 0);
        else if (e.width < 0)
            dpxw_bytes(&w, e.offset, e.text.data(), e.text.size());
        else if (e.width == 1)
            dpxw_u8(&w, e.offset, (uint8_t)e.value);
        else if (e.width == 2)
            dpxw_u16(&w, e.offset, (uint16_t)e.value);
        else
            dpxw_u32(&w, e.offset, e.value);
    }
    return w;
}

std::vector<CHECK_FINDING> craft_findings(const std::vector<unsigned char>& bytes, uint64_t file_size)
{
    DPX_HEADER h;
    EXPECT_EQ(DPX_IO_OK, dpx_io_header_read(bytes.data(), bytes.size(), &h));
    return checks_run(&h, file_size);
}

std::vector<std::string> craft_kinds(const std::vector<CHECK_FINDING>& findings)
{
    std::vector<std::string> k;
    for (const CHECK_FINDING& f : findings)
        k.push_back(std::string(checks_severity_text(f.severity)) + " " + f.id);
    return k;
}

void craft_expect_findings(const std::vector<CHECK_FINDING>& got, std::vector<std::string> want,
                           const std::string& message, const std::string& field)
{
    std::vector<std::string> kinds = craft_kinds(got);
    std::sort(kinds.begin(), kinds.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(want, kinds);
    for (size_t i = 0; i < got.size(); i++) {
        EXPECT_FALSE(got[i].message.empty());
        EXPECT_EQ(std::string::npos, got[i].message.find('\n')) << got[i].message;
        EXPECT_FALSE(got[i].fields.empty()) << got[i].id;
        if (i > 0) {
            EXPECT_LE(got[i - 1].severity, got[i].severity) << "not in severity order at " << i;
        }
    }
    if (message.empty())
        return;
    const CHECK_FINDING* match = nullptr;
    for (const CHECK_FINDING& f : got)
        if (f.message.find(message) != std::string::npos)
            match = &f;
    ASSERT_NE(nullptr, match) << "no message with: " << message;
    if (field.empty())
        return;
    bool has = std::any_of(match->fields.begin(), match->fields.end(), [&](const char* f) { return field == f; });
    EXPECT_TRUE(has) << "fields of \"" << match->message << "\" lack " << field;
}

void craft_expect_cases(const std::vector<craft_case>& cases)
{
    for (const craft_case& r : cases) {
        for (bool little : {false, true}) {
            SCOPED_TRACE(std::string(r.name) + (little ? " (little-endian)" : " (big-endian)"));
            dpx_writer w = craft_file(r.base, r.data_bytes, r.edits, little);
            uint64_t size = r.file_size < 0 ? w.bytes.size() : (uint64_t)r.file_size;
            craft_expect_findings(craft_findings(w.bytes, size), r.expect, r.message, r.field);
        }
    }
}
