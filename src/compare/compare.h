// Two files' headers side by side: every row of the description of the
// header sections and the user-defined header, with its value in each file,
// whether the values differ and whether the field is one of those expected
// to change from frame to frame; for text fields and the user data, the
// bytes that differ.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dpx/dpx_header.h"

enum { COMPARE_BYTES_LISTED = 256 }; // differing bytes kept per row: all of the longest text field

// One differing byte; -1 where a file's field is too short to hold it.
struct COMPARE_BYTE {
    uint64_t at; // from the start of the field
    int a, b;
};

struct COMPARE_ROW {
    std::string section; // the section's title, or "Data structure for image element N"
    const char* label;   // the description's own, a literal
    std::string a, b;    // the values as the File window shows them; "(none)" for a row only one file has
    bool differs;
    bool expected;       // expected to change from frame to frame
    uint64_t bytes_differing;        // text fields and user data: how many bytes differ
    std::vector<COMPARE_BYTE> bytes; // the first COMPARE_BYTES_LISTED of them
};

// Every row, in the description's order. Values that read the same but
// differ in the header (floats alike to six decimals, text past its end)
// differ too: floats get their value to nine digits added.
void compare_headers(const DPX_HEADER* a, const DPX_HEADER* b, std::vector<COMPARE_ROW>* rows);
// The rows that differ, the expected ones included.
size_t compare_count_differing(const std::vector<COMPARE_ROW>& rows);
// Where the listed bytes lie, "0, 1, 2", and "(N more)" past those listed.
std::string compare_bytes_at(const COMPARE_ROW& row);
// The listed bytes of file A (or B) in hexadecimal, "6F 6E 65", "--" where it has none.
std::string compare_bytes_hex(const COMPARE_ROW& row, bool b);
