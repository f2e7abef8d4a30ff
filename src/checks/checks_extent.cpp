#include "checks/checks_extent.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "dpx/dpx_layout.h"

namespace {

const char* const TOTAL_SIZE = "file_information.total_image_file_size";
const char* const OFFSET_TO_IMAGE_DATA = "file_information.offset_to_image_data";
const char* const GENERIC_LENGTH = "file_information.generic_section_header_length";
const char* const INDUSTRY_LENGTH = "file_information.industry_specific_header_length";
const char* const USER_LENGTH = "file_information.user_defined_header_length";
const char* const ELEMENT_COUNT = "image_information.number_of_image_elements";
const char* const PIXELS_PER_LINE = "image_information.pixels_per_line";
const char* const LINES = "image_information.lines_per_image_element";

enum : uint32_t {
    GENERIC_LENGTH_STANDARD = 1664,
    INDUSTRY_LENGTH_STANDARD = 384,
};

// Where fields lie in the file, to tell whether they hold pixel bytes.
enum : size_t {
    TOTAL_SIZE_AT = 16,
    GENERIC_LENGTH_AT = 24,
    USER_LENGTH_AT = 32,
    BIT_DEPTH_IN_RECORD = 23,
    OFFSET_IN_RECORD = 28,
};

uint64_t declared_header_end(const DPX_HEADER_FILE_INFORMATION& f)
{
    return (uint64_t)dpx_layout_defined_or_zero(f.generic_section_header_length) +
           dpx_layout_defined_or_zero(f.industry_specific_header_length) +
           dpx_layout_defined_or_zero(f.user_defined_header_length);
}

void file_size(CHECK_CONTEXT* c)
{
    uint32_t total = c->header->file_information.total_image_file_size;
    if (checks_context_is_pixels(c, TOTAL_SIZE_AT))
        return;
    if (dpx_undefined_u32(total))
        checks_add(c, CHECK_NOTE, "file-size-undefined", {TOTAL_SIZE},
                   "total_image_file_size is undefined (0xFFFFFFFF); the file holds %" PRIu64 " byte%s", c->file_size,
                   checks_plural(c->file_size));
    else if (total != c->file_size)
        checks_add(c, CHECK_WARNING, "file-size-mismatch", {TOTAL_SIZE},
                   "total_image_file_size is %" PRIu32 " but the file holds %" PRIu64 " byte%s", total, c->file_size,
                   checks_plural(c->file_size));
}

// Readers take the image data from one or the other, so they disagree.
void offset_mismatch(CHECK_CONTEXT* c)
{
    uint32_t declared = c->header->file_information.offset_to_image_data;
    uint32_t first = checks_element(c, 0).offset_to_data;
    if (declared != first)
        checks_add(c, CHECK_WARNING, "image-offset-mismatch",
                   {OFFSET_TO_IMAGE_DATA, checks_element_field(0, CHECK_EL_OFFSET_TO_DATA)},
                   "offset_to_image_data is %" PRIu32 " but element 1 starts at byte %" PRIu32
                   "; readers that take one or the other show different bytes",
                   declared, first);
}

void offset_zero(CHECK_CONTEXT* c)
{
    for (int i = 0; i < c->in_use; i++)
        if (checks_element(c, i).offset_to_data == 0)
            checks_add(c, CHECK_ERROR, "image-offset-zero", {checks_element_field(i, CHECK_EL_OFFSET_TO_DATA)},
                       "element %d has offset_to_data 0: its data would start at the magic number", i + 1);
}

void offset_past_end(CHECK_CONTEXT* c)
{
    for (int i = 0; i < c->in_use; i++) {
        uint32_t offset = checks_element(c, i).offset_to_data;
        if (offset != 0 && offset >= c->file_size)
            checks_add(c, CHECK_ERROR, "image-offset-past-end", {checks_element_field(i, CHECK_EL_OFFSET_TO_DATA)},
                       "element %d starts at byte %" PRIu32 " but the file holds %" PRIu64 " byte%s", i + 1, offset,
                       c->file_size, checks_plural(c->file_size));
    }
}

// The header sections that bytes `from` to 2047 fall in, for the message.
std::string sections_from(uint64_t from)
{
    static const struct {
        uint64_t end;
        const char* name;
    } sections[] = {{768, "file information"},
                    {1408, "image information"},
                    {1664, "image source"},
                    {1920, "film"},
                    {2048, "television"}};
    std::string names;
    for (const auto& s : sections) {
        if (s.end <= from)
            continue;
        if (!names.empty())
            names += s.end == DPX_HEADER_SIZE ? " and " : ", ";
        names += s.name;
    }
    return names;
}

void offset_in_header(CHECK_CONTEXT* c)
{
    const DPX_HEADER_FILE_INFORMATION& f = c->header->file_information;
    uint64_t header_end = declared_header_end(f);
    for (int i = 0; i < c->in_use; i++) {
        if (c->offset_unusable[i])
            continue;
        uint32_t offset = checks_element(c, i).offset_to_data;
        const char* field = checks_element_field(i, CHECK_EL_OFFSET_TO_DATA);
        if (offset < DPX_HEADER_SIZE)
            checks_add(c, CHECK_WARNING, "image-offset-in-header", {field},
                       "element %d starts at byte %" PRIu32
                       ", inside the 2048-byte header: the %s fields (bytes %" PRIu32 " to 2047) are its pixel bytes",
                       i + 1, offset, sections_from(offset).c_str(), offset);
        else if (offset < header_end)
            checks_add(c, CHECK_WARNING, "image-offset-in-header",
                       {field, GENERIC_LENGTH, INDUSTRY_LENGTH, USER_LENGTH},
                       "element %d starts at byte %" PRIu32 ", inside the declared headers, which end at byte %" PRIu64
                       " (%" PRIu32 " + %" PRIu32 " + %" PRIu32 ")",
                       i + 1, offset, header_end, dpx_layout_defined_or_zero(f.generic_section_header_length),
                       dpx_layout_defined_or_zero(f.industry_specific_header_length),
                       dpx_layout_defined_or_zero(f.user_defined_header_length));
    }
}

// Two elements at one offset read the same bytes as two different images.
void offset_shared(CHECK_CONTEXT* c)
{
    for (int i = 1; i < c->in_use; i++) {
        if (c->offset_unusable[i])
            continue;
        for (int j = 0; j < i; j++) {
            // An offset that is usable for one element is usable for the other.
            if (checks_element(c, j).offset_to_data != checks_element(c, i).offset_to_data)
                continue;
            checks_add(
                c, CHECK_WARNING, "image-offset-shared",
                {checks_element_field(j, CHECK_EL_OFFSET_TO_DATA), checks_element_field(i, CHECK_EL_OFFSET_TO_DATA)},
                "elements %d and %d both start at byte %" PRIu32, j + 1, i + 1, checks_element(c, i).offset_to_data);
            break;
        }
    }
}

// A picture without pixels has nothing to show, whatever else the header says.
void dimensions(CHECK_CONTEXT* c)
{
    const DPX_HEADER_IMAGE_INFORMATION& info = c->header->image_information;
    const struct {
        uint32_t value;
        const char* name;
        const char* field;
    } sizes[] = {{info.pixels_per_line, "pixels_per_line", PIXELS_PER_LINE},
                 {info.lines_per_image_element, "lines_per_image_element", LINES}};
    for (const auto& s : sizes) {
        if (s.value == 0)
            checks_add(c, CHECK_ERROR, "image-dimensions", {s.field}, "%s is 0: the image has no pixels", s.name);
        else if (dpx_undefined_u32(s.value))
            checks_add(c, CHECK_ERROR, "image-dimensions", {s.field}, "%s is undefined (0xFFFFFFFF)", s.name);
    }
}

void data_short(CHECK_CONTEXT* c)
{
    for (int i = 0; i < c->in_use; i++) {
        uint64_t needed;
        if (c->offset_unusable[i] || !dpx_layout_element_bytes(c->header, i, &needed))
            continue;
        uint32_t offset = checks_element(c, i).offset_to_data;
        // Up to the next element's data, or the end of the file.
        uint64_t limit = c->file_size;
        int next = -1;
        for (int j = 0; j < c->in_use; j++) {
            uint32_t other = checks_element(c, j).offset_to_data;
            if (j != i && other > offset && other < limit) {
                limit = other;
                next = j;
            }
        }
        uint64_t available = limit - offset;
        if (needed <= available)
            continue;
        std::vector<const char*> fields = {checks_element_field(i, CHECK_EL_OFFSET_TO_DATA),
                                           PIXELS_PER_LINE,
                                           LINES,
                                           checks_element_field(i, CHECK_EL_DESCRIPTOR),
                                           checks_element_field(i, CHECK_EL_BIT_DEPTH),
                                           checks_element_field(i, CHECK_EL_PACKING)};
        if (dpx_layout_defined_or_zero(checks_element(c, i).end_of_line_padding))
            fields.push_back(checks_element_field(i, CHECK_EL_END_OF_LINE_PADDING));
        if (dpx_layout_defined_or_zero(checks_element(c, i).end_of_image_padding))
            fields.push_back(checks_element_field(i, CHECK_EL_END_OF_IMAGE_PADDING));
        // A size past 64 bits has saturated: say so rather than print the cap.
        char need[48];
        if (needed == UINT64_MAX)
            snprintf(need, sizeof need, "more than %" PRIu64, UINT64_MAX - 1);
        else
            snprintf(need, sizeof need, "%" PRIu64, needed);
        if (next < 0)
            checks_add(c, CHECK_ERROR, "image-data-short", fields,
                       "element %d needs %s bytes from byte %" PRIu32 " but the file has %" PRIu64
                       " byte%s left from there",
                       i + 1, need, offset, available, checks_plural(available));
        else
            checks_add(c, CHECK_ERROR, "image-data-short", fields,
                       "element %d needs %s bytes from byte %" PRIu32 " but element %d starts %" PRIu64
                       " byte%s after it, at byte %" PRIu64,
                       i + 1, need, offset, next + 1, available, checks_plural(available), limit);
    }
}

void header_length(CHECK_CONTEXT* c)
{
    const DPX_HEADER_FILE_INFORMATION& f = c->header->file_information;
    if (checks_context_is_pixels(c, GENERIC_LENGTH_AT))
        return;
    if (dpx_undefined_u32(f.generic_section_header_length))
        checks_add(c, CHECK_NOTE, "header-length", {GENERIC_LENGTH},
                   "generic_section_header_length is undefined (0xFFFFFFFF); the generic sections take 1664 bytes");
    else if (f.generic_section_header_length != GENERIC_LENGTH_STANDARD)
        checks_add(c, CHECK_WARNING, "header-length", {GENERIC_LENGTH},
                   "generic_section_header_length is %" PRIu32 " but the generic sections take 1664 bytes",
                   f.generic_section_header_length);
    if (dpx_undefined_u32(f.industry_specific_header_length))
        checks_add(c, CHECK_NOTE, "header-length", {INDUSTRY_LENGTH},
                   "industry_specific_header_length is undefined (0xFFFFFFFF); it is 384 with the film and television "
                   "sections, 0 without");
    else if (f.industry_specific_header_length != 0 && f.industry_specific_header_length != INDUSTRY_LENGTH_STANDARD)
        checks_add(c, CHECK_WARNING, "header-length", {INDUSTRY_LENGTH},
                   "industry_specific_header_length is %" PRIu32 ", neither 384 (film and television sections) nor 0",
                   f.industry_specific_header_length);
    if (dpx_undefined_u32(f.user_defined_header_length))
        checks_add(c, CHECK_NOTE, "header-length", {USER_LENGTH},
                   "user_defined_header_length is undefined (0xFFFFFFFF); 0 says there is no user-defined header");
    uint64_t end = declared_header_end(f);
    if (!dpx_undefined_u32(f.offset_to_image_data) && end > f.offset_to_image_data)
        checks_add(c, CHECK_WARNING, "header-length",
                   {GENERIC_LENGTH, INDUSTRY_LENGTH, USER_LENGTH, OFFSET_TO_IMAGE_DATA},
                   "the declared headers add up to %" PRIu64 " bytes (%" PRIu32 " + %" PRIu32 " + %" PRIu32
                   "), past offset_to_image_data %" PRIu32,
                   end, dpx_layout_defined_or_zero(f.generic_section_header_length),
                   dpx_layout_defined_or_zero(f.industry_specific_header_length),
                   dpx_layout_defined_or_zero(f.user_defined_header_length), f.offset_to_image_data);
}

void user_header(CHECK_CONTEXT* c)
{
    uint32_t length = c->header->file_information.user_defined_header_length;
    if (length == 0 || dpx_undefined_u32(length) || checks_context_is_pixels(c, USER_LENGTH_AT))
        return;
    uint64_t end = (uint64_t)DPX_HEADER_SIZE + length;
    if (end > c->file_size)
        checks_add(c, CHECK_ERROR, "user-data-past-end", {USER_LENGTH},
                   "the user-defined header of %" PRIu32 " bytes runs from byte 2048 to byte %" PRIu64
                   " but the file holds %" PRIu64 " byte%s",
                   length, end, c->file_size, checks_plural(c->file_size));
    // It opens with a 32-byte user_identification: a shorter length cannot
    // hold it, and readers disagree on how much to take.
    if (length < DPX_USER_IDENTIFICATION_SIZE)
        checks_add(c, CHECK_WARNING, "user-header-short", {USER_LENGTH},
                   "user_defined_header_length is %" PRIu32
                   ", shorter than the 32-byte user_identification it opens with",
                   length);
}

void element_count(CHECK_CONTEXT* c)
{
    uint16_t count = c->header->image_information.number_of_image_elements;
    if (count == 0)
        checks_add(c, CHECK_ERROR, "element-count", {ELEMENT_COUNT},
                   "number_of_image_elements is 0: no element is in use");
    else if (dpx_undefined_u16(count))
        checks_add(c, CHECK_ERROR, "element-count", {ELEMENT_COUNT},
                   "number_of_image_elements is undefined (0xFFFF); all 8 elements are checked");
    else if (count > DPX_IMAGE_ELEMENT_COUNT)
        checks_add(c, CHECK_ERROR, "element-count", {ELEMENT_COUNT},
                   "number_of_image_elements is %u, above the 8 a header holds; all 8 elements are checked",
                   (unsigned)count);
}

void element_beyond_count(CHECK_CONTEXT* c)
{
    for (int i = c->in_use; i < DPX_IMAGE_ELEMENT_COUNT; i++) {
        const DPX_HEADER_DATA_STRUCTURE& e = checks_element(c, i);
        size_t record = DPX_ELEMENT_RECORD_AT + DPX_ELEMENT_RECORD_SIZE * (size_t)i;
        bool offset_set = e.offset_to_data != 0 && !dpx_undefined_u32(e.offset_to_data) &&
                          !checks_context_is_pixels(c, record + OFFSET_IN_RECORD);
        bool depth_set =
            e.bit_depth != 0 && !dpx_undefined_u8(e.bit_depth) && !checks_context_is_pixels(c, record + BIT_DEPTH_IN_RECORD);
        if (offset_set || depth_set)
            checks_add(c, CHECK_WARNING, "element-beyond-count",
                       {ELEMENT_COUNT, checks_element_field(i, CHECK_EL_OFFSET_TO_DATA),
                        checks_element_field(i, CHECK_EL_BIT_DEPTH)},
                       "element %d lies past number_of_image_elements %u but has offset_to_data %" PRIu32
                       " and bit depth %u",
                       i + 1, (unsigned)c->header->image_information.number_of_image_elements, e.offset_to_data,
                       (unsigned)e.bit_depth);
    }
}

} // namespace

void checks_extent_run(CHECK_CONTEXT* c)
{
    file_size(c);
    offset_mismatch(c);
    offset_zero(c);
    offset_past_end(c);
    offset_in_header(c);
    offset_shared(c);
    dimensions(c);
    data_short(c);
    header_length(c);
    user_header(c);
    element_count(c);
    element_beyond_count(c);
}
