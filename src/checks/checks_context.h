// What every rule of the checks needs: the header, the file's length, which
// elements are in use and where image data overlaps the header; and the one
// way rules add a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "checks/checks_finding.h"
#include "dpx/dpx_header.h"

struct CHECK_CONTEXT {
    const DPX_HEADER* header;
    uint64_t file_size;
    int in_use; // elements 1 to in_use are in use, 0 to 8
    // An element in use whose offset_to_data is 0 or at or past the end of
    // the file: its data cannot be found, so rules that measure it skip it.
    bool offset_unusable[DPX_IMAGE_ELEMENT_COUNT];
    // The first header byte that is image data of an element in use
    // (DPX_HEADER_SIZE when none starts inside the header).
    uint64_t pixels_from;
    std::vector<CHECK_FINDING>* findings;
};

CHECK_CONTEXT checks_context_make(const DPX_HEADER* header, uint64_t file_size, std::vector<CHECK_FINDING>* findings);

// True when the header field at `offset` holds pixel bytes rather than a value.
bool checks_context_is_pixels(const CHECK_CONTEXT* c, size_t offset);

// Element record `i` (0 to 7).
const DPX_HEADER_DATA_STRUCTURE& checks_element(const CHECK_CONTEXT* c, int i);

// Appends a finding whose message is formatted like printf.
void checks_add(CHECK_CONTEXT* c, CHECK_SEVERITY severity, const char* id, std::vector<const char*> fields,
                const char* format, ...) __attribute__((format(printf, 5, 6)));

// "s" unless n is 1, for "%" PRIu64 " byte%s".
const char* checks_plural(uint64_t n);

// Member paths of the image element records, by element index (0 to 7).
enum CHECK_ELEMENT_FIELD {
    CHECK_EL_REFERENCE_LOW,
    CHECK_EL_REFERENCE_HIGH,
    CHECK_EL_DESCRIPTOR,
    CHECK_EL_BIT_DEPTH,
    CHECK_EL_PACKING,
    CHECK_EL_OFFSET_TO_DATA,
    CHECK_EL_END_OF_LINE_PADDING,
    CHECK_EL_END_OF_IMAGE_PADDING,
};
const char* checks_element_field(int index, CHECK_ELEMENT_FIELD field);
