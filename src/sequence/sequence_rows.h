// The header fields compared across a sequence's frames: the rows of the
// description's header sections, one list of the same shape for every
// header, and which of them are expected to change from frame to frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "describe/describe.h"

struct SEQUENCE_ROW_NAME {
    DESCRIBE_SECTION_ID section;
    int element; // 1 to 8 for a row of an image element's panel, else 0
    const char* label;
    bool expected;
};

// A row whose value differs from the first readable frame's, and a hash of the value.
struct SEQUENCE_ROW_CHANGE {
    uint32_t row;
    uint64_t value;
};

// Whether the row `label` of a section (not of an element's panel) is one
// of the fields expected to change from frame to frame.
bool sequence_rows_expected(DESCRIBE_SECTION_ID section, const char* label);
// The rows in the description's order.
const std::vector<SEQUENCE_ROW_NAME>& sequence_rows_names();
// "File information header", "Data structure for image element 2", ...
std::string sequence_rows_section(const SEQUENCE_ROW_NAME& name);
// A hash of every row's value and bytes, in the order of the names.
void sequence_rows_hash(const DPX_HEADER* header, std::vector<uint64_t>* hashes);
// Adds the rows not expected to change whose values differ from the
// reference's; only the parts of the header whose bytes differ are
// described. True when there is one.
bool sequence_rows_compare(const DPX_HEADER* header, const unsigned char* frame, const unsigned char* reference,
                           const std::vector<uint64_t>& reference_hashes, std::vector<SEQUENCE_ROW_CHANGE>* changes);
// Whether two 2048-byte headers are the same outside the expected fields.
bool sequence_rows_same_unless_expected(const unsigned char* frame, const unsigned char* reference);
// The expected fields whose bytes differ, each with a hash of its bytes.
void sequence_rows_expected_changes(const unsigned char* frame, const unsigned char* reference,
                                    std::vector<SEQUENCE_ROW_CHANGE>* changes);
