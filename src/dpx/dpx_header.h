// The decoded header of one DPX file (SMPTE 268M). Numbers hold host values;
// text and reserved fields hold the file's bytes unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

// Values of magic_number: the first four file bytes read most significant first.
enum : uint32_t {
    DPX_MAGIC_BIG_ENDIAN = 0x53445058,    // "SDPX"
    DPX_MAGIC_LITTLE_ENDIAN = 0x58504453, // "XPDS"
};

enum : size_t {
    DPX_GENERIC_HEADER_SIZE = 1664,    // the file, image and source sections
    DPX_HEADER_SIZE = 2048,            // the five standard sections
    DPX_USER_IDENTIFICATION_SIZE = 32, // first field of the user-defined header
    DPX_USER_DATA_OFFSET = DPX_HEADER_SIZE + DPX_USER_IDENTIFICATION_SIZE,
};

// Where the sections and the image element records start in the header.
enum : size_t {
    DPX_IMAGE_INFORMATION_AT = 768,
    DPX_ELEMENT_RECORD_AT = 780, // eight records of DPX_ELEMENT_RECORD_SIZE bytes
    DPX_ELEMENT_RECORD_SIZE = 72,
    DPX_SOURCE_INFORMATION_AT = 1408,
    DPX_FILM_INFORMATION_AT = DPX_GENERIC_HEADER_SIZE,
    DPX_TELEVISION_INFORMATION_AT = 1920,
};

// The undefined marker: a numeric field with all bits set, one test per width.
inline bool dpx_undefined_u32(uint32_t value) { return value == 0xFFFFFFFFu; }
inline bool dpx_undefined_u16(uint16_t value) { return value == 0xFFFFu; }
inline bool dpx_undefined_u8(uint8_t value) { return value == 0xFFu; }
// Floats by their bit pattern, so that the marker is not mistaken for a NaN's value.
inline bool dpx_undefined_float(float value)
{
    uint32_t bits;
    __builtin_memcpy(&bits, &value, sizeof bits);
    return dpx_undefined_u32(bits);
}

struct DPX_HEADER_FILE_INFORMATION {
    uint32_t magic_number;
    uint32_t offset_to_image_data;
    char version[8];
    uint32_t total_image_file_size;
    uint32_t ditto_key;
    uint32_t generic_section_header_length;
    uint32_t industry_specific_header_length;
    uint32_t user_defined_header_length;
    char image_filename[100];
    char creation_date_time[24];
    char creator[100];
    char project_name[200];
    char copyright_statement[200];
    uint32_t encryption_key;
    uint8_t reserved[104];
};

struct DPX_HEADER_DATA_STRUCTURE {
    uint32_t data_sign;
    uint32_t reference_low_data_code_value;
    float reference_low_quantity;
    uint32_t reference_high_data_code_value;
    float reference_high_quantity;
    uint8_t descriptor;
    uint8_t transfer_characteristic;
    uint8_t colorimetric_specification;
    uint8_t bit_depth;
    uint16_t packing;
    uint16_t encoding;
    uint32_t offset_to_data;
    uint32_t end_of_line_padding;
    uint32_t end_of_image_padding;
    char description[32];
};

enum { DPX_IMAGE_ELEMENT_COUNT = 8 };

struct DPX_HEADER_IMAGE_INFORMATION {
    uint16_t image_orientation;
    uint16_t number_of_image_elements;
    uint32_t pixels_per_line;
    uint32_t lines_per_image_element;
    DPX_HEADER_DATA_STRUCTURE image_element[DPX_IMAGE_ELEMENT_COUNT];
    uint8_t reserved[52];
};

struct DPX_HEADER_IMAGE_SOURCE_INFORMATION {
    uint32_t x_offset;
    uint32_t y_offset;
    float x_center;
    float y_center;
    uint32_t x_original_size;
    uint32_t y_original_size;
    char source_image_filename[100];
    char source_image_date_time[24];
    char input_device_name[32];
    char input_device_serial_number[32];
    uint16_t border_validity[4]; // XL, XR, YT, YB
    uint32_t pixel_aspect_ratio[2]; // horizontal, vertical
    float x_scanned_size;
    float y_scanned_size;
    uint8_t reserved[20];
};

struct DPX_HEADER_MOTION_PICTURE_FILM_INFORMATION {
    char film_mfg_id_code[2];
    char film_type[2];
    char offset_in_perfs[2];
    char prefix[6];
    char count[4];
    char format[32];
    uint32_t frame_position_in_sequence;
    uint32_t sequence_length;
    uint32_t held_count;
    float frame_rate_of_original;
    float shutter_angle;
    char frame_identification[32];
    char slate_information[100];
    uint8_t reserved[56];
};

struct DPX_HEADER_TELEVISION_INFORMATION {
    uint32_t smpte_time_code;
    uint32_t smpte_user_bits;
    uint8_t interlace;
    uint8_t field_number;
    uint8_t video_signal_standard;
    uint8_t zero;
    float horizontal_sampling_rate;
    float vertical_sampling_rate;
    float temporal_sampling_rate;
    float time_offset;
    float gamma;
    float black_level_code_value;
    float black_gain;
    float breakpoint;
    float reference_white_level_code_value;
    float integration_time;
    uint8_t reserved[76];
};

struct DPX_HEADER_USER_DEFINED_DATA {
    char user_identification[32];
    const unsigned char* user_data; // byte 2080 of the file image, or null
};

struct DPX_HEADER {
    DPX_HEADER_FILE_INFORMATION file_information;
    DPX_HEADER_IMAGE_INFORMATION image_information;
    DPX_HEADER_IMAGE_SOURCE_INFORMATION image_source_information;
    DPX_HEADER_MOTION_PICTURE_FILM_INFORMATION motion_picture_film_information;
    DPX_HEADER_TELEVISION_INFORMATION television_information;
    DPX_HEADER_USER_DEFINED_DATA user_defined_data;
    // Element 0's data, or null when its offset lies past the end of the file image.
    const unsigned char* image_data;
    // Bytes of the file image from image_data and from user_data to its end:
    // the header's sizes and offsets are not trusted, these are.
    size_t image_data_size;
    size_t user_data_size;
    // For a file shorter than the five standard sections (no or partial
    // industry headers), the bytes it holds, 1664 to 2047; fields past them
    // read as all ones. 0 when the file holds all 2048.
    size_t short_header_size;
};
