#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dpx/bufio.h"
#include "dpx/dpx_io.h"
#include "support/dpx_writer.h"

namespace {

uint32_t bits_of(float f)
{
    uint32_t b;
    memcpy(&b, &f, 4);
    return b;
}

// Every numeric field of the header at its offset in the file.
struct numeric_field {
    std::string name;
    size_t offset;
    int width;
    std::function<uint32_t(const DPX_HEADER&)> get;
};

struct text_field {
    std::string name;
    size_t offset;
    size_t size;
    std::function<const char*(const DPX_HEADER&)> get;
};

#define NUM(off, w, member) numeric_field{#member, off, w, [](const DPX_HEADER& h) { return (uint32_t)h.member; }}
#define FLT(off, member) numeric_field{#member, off, 4, [](const DPX_HEADER& h) { return bits_of(h.member); }}
#define TXT(off, member) text_field{#member, off, sizeof(DPX_HEADER::member), [](const DPX_HEADER& h) { return (const char*)h.member; }}

std::vector<numeric_field> numeric_fields()
{
    std::vector<numeric_field> f = {
        NUM(4, 4, file_information.offset_to_image_data),
        NUM(16, 4, file_information.total_image_file_size),
        NUM(20, 4, file_information.ditto_key),
        NUM(24, 4, file_information.generic_section_header_length),
        NUM(28, 4, file_information.industry_specific_header_length),
        NUM(660, 4, file_information.encryption_key),
        NUM(768, 2, image_information.image_orientation),
        NUM(770, 2, image_information.number_of_image_elements),
        NUM(772, 4, image_information.pixels_per_line),
        NUM(776, 4, image_information.lines_per_image_element),
        NUM(1408, 4, image_source_information.x_offset),
        NUM(1412, 4, image_source_information.y_offset),
        FLT(1416, image_source_information.x_center),
        FLT(1420, image_source_information.y_center),
        NUM(1424, 4, image_source_information.x_original_size),
        NUM(1428, 4, image_source_information.y_original_size),
        NUM(1620, 2, image_source_information.border_validity[0]),
        NUM(1622, 2, image_source_information.border_validity[1]),
        NUM(1624, 2, image_source_information.border_validity[2]),
        NUM(1626, 2, image_source_information.border_validity[3]),
        NUM(1628, 4, image_source_information.pixel_aspect_ratio[0]),
        NUM(1632, 4, image_source_information.pixel_aspect_ratio[1]),
        FLT(1636, image_source_information.x_scanned_size),
        FLT(1640, image_source_information.y_scanned_size),
        NUM(1712, 4, motion_picture_film_information.frame_position_in_sequence),
        NUM(1716, 4, motion_picture_film_information.sequence_length),
        NUM(1720, 4, motion_picture_film_information.held_count),
        FLT(1724, motion_picture_film_information.frame_rate_of_original),
        FLT(1728, motion_picture_film_information.shutter_angle),
        NUM(1920, 4, television_information.smpte_time_code),
        NUM(1924, 4, television_information.smpte_user_bits),
        NUM(1928, 1, television_information.interlace),
        NUM(1929, 1, television_information.field_number),
        NUM(1930, 1, television_information.video_signal_standard),
        NUM(1931, 1, television_information.zero),
        FLT(1932, television_information.horizontal_sampling_rate),
        FLT(1936, television_information.vertical_sampling_rate),
        FLT(1940, television_information.temporal_sampling_rate),
        FLT(1944, television_information.time_offset),
        FLT(1948, television_information.gamma),
        FLT(1952, television_information.black_level_code_value),
        FLT(1956, television_information.black_gain),
        FLT(1960, television_information.breakpoint),
        FLT(1964, television_information.reference_white_level_code_value),
        FLT(1968, television_information.integration_time),
    };
    for (int i = 0; i < 8; i++) {
        size_t b = 780 + 72 * i;
        auto el = [i](const DPX_HEADER& h) -> const DPX_HEADER_DATA_STRUCTURE& {
            return h.image_information.image_element[i];
        };
        std::string p = "element " + std::to_string(i) + " ";
        f.push_back({p + "data_sign", b + 0, 4, [el](const DPX_HEADER& h) { return el(h).data_sign; }});
        f.push_back({p + "low code", b + 4, 4, [el](const DPX_HEADER& h) { return el(h).reference_low_data_code_value; }});
        f.push_back({p + "low quantity", b + 8, 4, [el](const DPX_HEADER& h) { return bits_of(el(h).reference_low_quantity); }});
        f.push_back({p + "high code", b + 12, 4, [el](const DPX_HEADER& h) { return el(h).reference_high_data_code_value; }});
        f.push_back({p + "high quantity", b + 16, 4, [el](const DPX_HEADER& h) { return bits_of(el(h).reference_high_quantity); }});
        f.push_back({p + "descriptor", b + 20, 1, [el](const DPX_HEADER& h) { return (uint32_t)el(h).descriptor; }});
        f.push_back({p + "transfer", b + 21, 1, [el](const DPX_HEADER& h) { return (uint32_t)el(h).transfer_characteristic; }});
        f.push_back({p + "colorimetric", b + 22, 1, [el](const DPX_HEADER& h) { return (uint32_t)el(h).colorimetric_specification; }});
        f.push_back({p + "bit depth", b + 23, 1, [el](const DPX_HEADER& h) { return (uint32_t)el(h).bit_depth; }});
        f.push_back({p + "packing", b + 24, 2, [el](const DPX_HEADER& h) { return (uint32_t)el(h).packing; }});
        f.push_back({p + "encoding", b + 26, 2, [el](const DPX_HEADER& h) { return (uint32_t)el(h).encoding; }});
        f.push_back({p + "offset to data", b + 28, 4, [el](const DPX_HEADER& h) { return el(h).offset_to_data; }});
        f.push_back({p + "eol padding", b + 32, 4, [el](const DPX_HEADER& h) { return el(h).end_of_line_padding; }});
        f.push_back({p + "eoi padding", b + 36, 4, [el](const DPX_HEADER& h) { return el(h).end_of_image_padding; }});
    }
    return f;
}

std::vector<text_field> text_fields()
{
    std::vector<text_field> f = {
        TXT(8, file_information.version),
        TXT(36, file_information.image_filename),
        TXT(136, file_information.creation_date_time),
        TXT(160, file_information.creator),
        TXT(260, file_information.project_name),
        TXT(460, file_information.copyright_statement),
        TXT(664, file_information.reserved),
        TXT(1356, image_information.reserved),
        TXT(1432, image_source_information.source_image_filename),
        TXT(1532, image_source_information.source_image_date_time),
        TXT(1556, image_source_information.input_device_name),
        TXT(1588, image_source_information.input_device_serial_number),
        TXT(1644, image_source_information.reserved),
        TXT(1664, motion_picture_film_information.film_mfg_id_code),
        TXT(1666, motion_picture_film_information.film_type),
        TXT(1668, motion_picture_film_information.offset_in_perfs),
        TXT(1670, motion_picture_film_information.prefix),
        TXT(1676, motion_picture_film_information.count),
        TXT(1680, motion_picture_film_information.format),
        TXT(1732, motion_picture_film_information.frame_identification),
        TXT(1764, motion_picture_film_information.slate_information),
        TXT(1864, motion_picture_film_information.reserved),
        TXT(1972, television_information.reserved),
    };
    for (int i = 0; i < 8; i++)
        f.push_back({"element description", 780 + 72 * (size_t)i + 40, 32, [i](const DPX_HEADER& h) {
                         return (const char*)h.image_information.image_element[i].description;
                     }});
    return f;
}

// A value whose bytes all differ, so that a byte-order slip shows.
uint32_t value_for(size_t offset, int width)
{
    uint32_t v = (uint32_t)(offset * 2654435761u) | 0x01020304;
    return width == 4 ? v : width == 2 ? (v & 0xFFFF) : (v & 0xFF);
}

dpx_writer every_field(bool little)
{
    dpx_writer w = dpxw_new(little, 4096);
    for (const numeric_field& f : numeric_fields()) {
        uint32_t v = value_for(f.offset, f.width);
        if (f.width == 4)
            dpxw_u32(&w, f.offset, v);
        else if (f.width == 2)
            dpxw_u16(&w, f.offset, (uint16_t)v);
        else
            dpxw_u8(&w, f.offset, (uint8_t)v);
    }
    for (size_t i = 8; i < 2048; i++) {
        // Text bytes everywhere else, NULs and high bytes included.
        bool numeric = false;
        for (const numeric_field& f : numeric_fields())
            numeric |= i >= f.offset && i < f.offset + f.width;
        if (!numeric && !(i >= 32 && i < 36))
            w.bytes[i] = (unsigned char)(i * 7 + 3);
    }
    dpxw_u32(&w, DPXW_USER_LENGTH, 100);
    return w;
}

DPX_HEADER read_ok(const std::vector<unsigned char>& bytes)
{
    DPX_HEADER h;
    memset(&h, 0xAB, sizeof h);
    EXPECT_EQ(DPX_IO_OK, dpx_io_header_read(bytes.data(), bytes.size(), &h));
    return h;
}

} // namespace

TEST(DpxIo, EveryFieldAtItsOffsetInBothByteOrders)
{
    for (bool little : {false, true}) {
        dpx_writer w = every_field(little);
        DPX_HEADER h = read_ok(w.bytes);
        EXPECT_EQ(little ? 0x58504453u : 0x53445058u, h.file_information.magic_number);
        EXPECT_EQ(100u, h.file_information.user_defined_header_length);
        for (const numeric_field& f : numeric_fields())
            EXPECT_EQ(value_for(f.offset, f.width), f.get(h)) << f.name << (little ? " little" : " big");
        for (const text_field& f : text_fields())
            EXPECT_EQ(0, memcmp(w.bytes.data() + f.offset, f.get(h), f.size)) << f.name;
    }
}

TEST(DpxIo, BigAndLittleEndianGiveEqualRecords)
{
    DPX_HEADER be = read_ok(every_field(false).bytes);
    DPX_HEADER le = read_ok(every_field(true).bytes);
    // Everything between the magic number and the pointers is equal.
    size_t from = sizeof(uint32_t);
    size_t to = offsetof(DPX_HEADER, user_defined_data) + sizeof(be.user_defined_data.user_identification);
    EXPECT_EQ(0, memcmp((char*)&be + from, (char*)&le + from, to - from));
}

TEST(DpxIo, BufioReadersAssembleBothOrdersAndReturnConsumedBytes)
{
    const unsigned char src[8] = {0x12, 0x34, 0x56, 0x78, 0xFF, 0xFF, 0xFF, 0xFF};
    BUFIO be, le;
    bufio_init(&be, 0);
    bufio_init(&le, 1);
    uint32_t u32[2];
    EXPECT_EQ(8u, bufio_uint32_read(&be, src, u32, 2));
    EXPECT_EQ(0x12345678u, u32[0]);
    EXPECT_EQ(4u, bufio_uint32_read(&le, src, u32, 1));
    EXPECT_EQ(0x78563412u, u32[0]);
    uint16_t u16[2];
    EXPECT_EQ(4u, bufio_uint16_read(&be, src, u16, 2));
    EXPECT_EQ(0x1234, u16[0]);
    EXPECT_EQ(2u, bufio_uint16_read(&le, src + 2, u16, 1));
    EXPECT_EQ(0x7856, u16[0]);
    uint8_t u8[3];
    EXPECT_EQ(3u, bufio_uint8_read(&le, src, u8, 3));
    EXPECT_EQ(0x56, u8[2]);
    float f;
    EXPECT_EQ(4u, bufio_float_read(&le, src + 4, &f, 1));
    EXPECT_EQ(0xFFFFFFFFu, bits_of(f));
    EXPECT_TRUE(std::isnan(f));
}

TEST(DpxIo, UndefinedMarkersAndNaNsAreKeptAsBitPatterns)
{
    for (bool little : {false, true}) {
        dpx_writer w = dpxw_new(little, 2048);
        dpxw_u32(&w, 1416, 0xFFFFFFFF);  // x_center
        dpxw_u32(&w, 1420, 0x7FC00001);  // y_center, another NaN
        dpxw_u32(&w, 1408, 0xFFFFFFFF);
        dpxw_u16(&w, 768, 0xFFFF);
        dpxw_u8(&w, 1930, 0xFF);
        DPX_HEADER h = read_ok(w.bytes);
        EXPECT_EQ(0xFFFFFFFFu, bits_of(h.image_source_information.x_center));
        EXPECT_EQ(0x7FC00001u, bits_of(h.image_source_information.y_center));
        EXPECT_EQ(0xFFFFFFFFu, h.image_source_information.x_offset);
        EXPECT_EQ(0xFFFF, h.image_information.image_orientation);
        EXPECT_EQ(0xFF, h.television_information.video_signal_standard);
    }
}

TEST(DpxIo, UserDefinedHeaderIsReadOnlyWhenDeclared)
{
    struct {
        uint32_t length;
        bool declared;
    } cases[] = {{0, false}, {0xFFFFFFFF, false}, {1, true}, {33, true}, {0xFFFFFFFE, true}};
    for (auto c : cases) {
        dpx_writer w = dpxw_new(true, 2100);
        dpxw_u32(&w, DPXW_USER_LENGTH, c.length);
        for (size_t i = 2048; i < 2100; i++)
            w.bytes[i] = (unsigned char)(i - 2047);
        DPX_HEADER h = read_ok(w.bytes);
        if (c.declared) {
            EXPECT_EQ(0, memcmp(h.user_defined_data.user_identification, w.bytes.data() + 2048, 32));
            EXPECT_EQ(w.bytes.data() + 2080, h.user_defined_data.user_data);
            EXPECT_EQ(20u, h.user_data_size);
        } else {
            const char zero[32] = {};
            EXPECT_EQ(0, memcmp(h.user_defined_data.user_identification, zero, 32)) << c.length;
            EXPECT_EQ(nullptr, h.user_defined_data.user_data);
            EXPECT_EQ(0u, h.user_data_size);
        }
    }
}

TEST(DpxIo, ImageDataFollowsElementZeroWithinTheImage)
{
    dpx_writer w = dpxw_new(false, 4000);
    dpxw_u32(&w, DPXW_OFFSET_TO_IMAGE_DATA, 2048);
    dpxw_u32(&w, DPXW_ELEMENT0 + DPXW_EL_OFFSET_TO_DATA, 3000);
    dpxw_u32(&w, DPXW_ELEMENT0 + DPXW_ELEMENT_SIZE + DPXW_EL_OFFSET_TO_DATA, 2048);
    DPX_HEADER h = read_ok(w.bytes);
    EXPECT_EQ(w.bytes.data() + 3000, h.image_data);
    EXPECT_EQ(1000u, h.image_data_size);

    dpxw_u32(&w, DPXW_ELEMENT0 + DPXW_EL_OFFSET_TO_DATA, 4000);
    h = read_ok(w.bytes);
    EXPECT_EQ(w.bytes.data() + 4000, h.image_data);
    EXPECT_EQ(0u, h.image_data_size);

    for (uint32_t past : {4001u, 0xFFFFFFFFu}) {
        dpxw_u32(&w, DPXW_ELEMENT0 + DPXW_EL_OFFSET_TO_DATA, past);
        h = read_ok(w.bytes);
        EXPECT_EQ(nullptr, h.image_data);
        EXPECT_EQ(0u, h.image_data_size);
        EXPECT_EQ(past, h.image_information.image_element[0].offset_to_data);
    }
}

TEST(DpxIo, VersionTextAndElementCountDoNotChangeTheLayout)
{
    for (const char* version : {"V1.0", "V2.0", "\xFF\xFFxyz"}) {
        dpx_writer w = dpxw_new(false, 2048);
        dpxw_bytes(&w, DPXW_VERSION, version, strlen(version));
        dpxw_u16(&w, DPXW_ELEMENT_COUNT, 1);
        dpxw_u8(&w, DPXW_ELEMENT0 + 7 * DPXW_ELEMENT_SIZE + DPXW_EL_DESCRIPTOR, 102);
        dpxw_u32(&w, DPXW_PIXELS_PER_LINE, 1920);
        DPX_HEADER h = read_ok(w.bytes);
        EXPECT_EQ(1920u, h.image_information.pixels_per_line) << version;
        EXPECT_EQ(102, h.image_information.image_element[7].descriptor) << version;
    }
}

TEST(DpxIo, BadMagicWritesOnlyTheMagicNumber)
{
    for (const char* magic : {"SDPY", "XPDT", "sdpx", "\0\0\0\0"}) {
        dpx_writer w = dpxw_new(false, 2048);
        memcpy(w.bytes.data(), magic, 4);
        DPX_HEADER h, untouched;
        memset(&h, 0xAB, sizeof h);
        memset(&untouched, 0xAB, sizeof untouched);
        EXPECT_EQ(DPX_IO_NOT_DPX, dpx_io_header_read(w.bytes.data(), w.bytes.size(), &h));
        uint32_t expect = (uint32_t)(unsigned char)magic[0] << 24 | (uint32_t)(unsigned char)magic[1] << 16 |
                          (uint32_t)(unsigned char)magic[2] << 8 | (unsigned char)magic[3];
        EXPECT_EQ(expect, h.file_information.magic_number);
        EXPECT_EQ(0, memcmp((char*)&h + 4, (char*)&untouched + 4, sizeof h - 4));
    }
}

TEST(DpxIo, ShortImagesAreRefusedWithoutReadingPastTheirEnd)
{
    // Exact-size copies, so that AddressSanitizer sees any read past the end.
    const std::vector<unsigned char> full = dpxw_new(false, 2048).bytes;
    for (size_t size : {0, 3, 4, 2047}) {
        std::vector<unsigned char> bytes(full.begin(), full.begin() + size);
        DPX_HEADER h;
        EXPECT_EQ(DPX_IO_TOO_SHORT, dpx_io_header_read(bytes.data(), size, &h)) << size;
    }
    dpx_writer w = dpxw_new(true, 2048);
    dpxw_u32(&w, DPXW_USER_LENGTH, 40);
    for (size_t size : {2048, 2079}) {
        std::vector<unsigned char> bytes(w.bytes.begin(), w.bytes.begin() + 2048);
        bytes.resize(size, 0);
        DPX_HEADER h;
        EXPECT_EQ(DPX_IO_TOO_SHORT, dpx_io_header_read(bytes.data(), size, &h)) << size;
    }
    w.bytes.resize(2080, 0);
    DPX_HEADER h;
    EXPECT_EQ(DPX_IO_OK, dpx_io_header_read(w.bytes.data(), w.bytes.size(), &h));
    EXPECT_EQ(0u, h.user_data_size);
}
