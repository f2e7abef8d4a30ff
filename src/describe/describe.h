// What the File window shows for one file, as data: its sections in window
// order, each with rows of label and value text exactly as shown, the raw
// number behind a value, and the bytes behind a text field or the user data.
// The File window draws it; tessaview-dump prints it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dpx/dpx_header.h"

enum DESCRIBE_SECTION_ID {
    DESCRIBE_IMAGE_DATA,
    DESCRIBE_SUMMARY,
    DESCRIBE_FILE_INFORMATION,
    DESCRIBE_IMAGE_INFORMATION,
    DESCRIBE_IMAGE_SOURCE_INFORMATION,
    DESCRIBE_FILM_INFORMATION,
    DESCRIBE_TELEVISION_INFORMATION,
    DESCRIBE_USER_DEFINED_DATA,
    DESCRIBE_SECTION_COUNT,
};

enum DESCRIBE_FORM {
    DESCRIBE_VALUE,      // the value text
    DESCRIBE_HEADING,    // a label over the rows below it; its value cell stays empty
    DESCRIBE_TEXT_FIELD, // the value text, then a row of the field's bytes, 16 a line
    DESCRIBE_USER_DATA,  // the bytes as an offset dump, 16 a line; value: what is missing, or ""
    DESCRIBE_PREVIEW,    // the picture; value: what it shows
};

enum DESCRIBE_RAW { DESCRIBE_RAW_NONE, DESCRIBE_RAW_UNSIGNED, DESCRIBE_RAW_FLOAT };

struct DESCRIBE_ROW {
    const char* label;
    std::string value;
    DESCRIBE_FORM form;
    bool separator;  // a separator line stands in front of the row
    bool undefined;  // the field holds its undefined marker (all bits set)
    bool past_end;   // the field's bytes lie past the end of a short file: "(not in file)", no raw value or bytes
    DESCRIBE_RAW raw;
    uint64_t raw_unsigned;
    double raw_float;
    const unsigned char* bytes; // text field or user data; borrowed from the header or file image
    uint64_t byte_count;
};

// One image element record, shown as a collapsible panel.
struct DESCRIBE_PANEL {
    std::string title;
    std::vector<DESCRIBE_ROW> rows;
};

struct DESCRIBE_SECTION {
    const char* title;
    std::vector<DESCRIBE_ROW> rows;
    std::vector<DESCRIBE_PANEL> panels; // after the rows; "Image information header" only
};

enum { DESCRIBE_BYTES_PER_LINE = 16 };

// One line of a byte dump, as the window and tessaview-dump both show it:
// the offset of its first byte ("0x%08X :") and up to sixteen bytes ("%02X").
struct DESCRIBE_DUMP_LINE {
    char offset[16];
    int count;
    char hex[DESCRIBE_BYTES_PER_LINE][3];
};

// One byte as a dump shows it: two upper-case hexadecimal digits.
void describe_hex_byte(unsigned char byte, char text[3]);

// Lines of a dump of `byte_count` bytes.
uint64_t describe_dump_line_count(uint64_t byte_count);
// Line `line` of the dump of `bytes` (`byte_count` of them).
void describe_dump_line(const unsigned char* bytes, uint64_t byte_count, uint64_t line, DESCRIBE_DUMP_LINE* out);

// printf into a string of at most 511 characters: the rows' values and the
// reports' messages.
std::string describe_format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

const char* describe_section_title(DESCRIBE_SECTION_ID id);
void describe_section(const DPX_HEADER* header, DESCRIBE_SECTION_ID id, DESCRIBE_SECTION* section);
// Element `number` (1 to 8) as a panel, titled "in use" or "not in use".
void describe_panel(const DPX_HEADER_DATA_STRUCTURE* element, int number, bool in_use, DESCRIBE_PANEL* panel);

// Why the header's picture cannot be previewed at all, or null when it can.
const char* describe_preview_refusal(const DPX_HEADER* header);
// What the preview shows: the converting layout, the fallback colour, or why there is none.
std::string describe_preview_text(const DPX_HEADER* header);
