#include "checks/checks_context.h"

#include <cstdarg>
#include <cstdio>

#include "dpx/dpx_layout.h"

namespace {

#define ELEMENT_PATHS(member)                                                                                          \
    {                                                                                                                  \
        "image_information.image_element[0]." member, "image_information.image_element[1]." member,                    \
            "image_information.image_element[2]." member, "image_information.image_element[3]." member,                \
            "image_information.image_element[4]." member, "image_information.image_element[5]." member,                \
            "image_information.image_element[6]." member, "image_information.image_element[7]." member,                \
    }

// Rows in the order of CHECK_ELEMENT_FIELD.
const char* const element_paths[][DPX_IMAGE_ELEMENT_COUNT] = {
    ELEMENT_PATHS("reference_low_data_code_value"),
    ELEMENT_PATHS("reference_high_data_code_value"),
    ELEMENT_PATHS("descriptor"),
    ELEMENT_PATHS("bit_depth"),
    ELEMENT_PATHS("packing"),
    ELEMENT_PATHS("offset_to_data"),
    ELEMENT_PATHS("end_of_line_padding"),
    ELEMENT_PATHS("end_of_image_padding"),
};

#undef ELEMENT_PATHS

} // namespace

const DPX_HEADER_DATA_STRUCTURE& checks_element(const CHECK_CONTEXT* c, int i)
{
    return c->header->image_information.image_element[i];
}

CHECK_CONTEXT checks_context_make(const DPX_HEADER* header, uint64_t file_size, std::vector<CHECK_FINDING>* findings)
{
    CHECK_CONTEXT c = {};
    c.header = header;
    c.file_size = file_size;
    c.findings = findings;
    while (c.in_use < DPX_IMAGE_ELEMENT_COUNT && dpx_element_in_use(header, c.in_use))
        c.in_use++;
    c.pixels_from = DPX_HEADER_SIZE;
    for (int i = 0; i < c.in_use; i++) {
        uint32_t offset = header->image_information.image_element[i].offset_to_data;
        c.offset_unusable[i] = offset == 0 || offset >= file_size;
        if (!c.offset_unusable[i] && offset < c.pixels_from)
            c.pixels_from = offset;
    }
    return c;
}

bool checks_context_is_pixels(const CHECK_CONTEXT* c, size_t offset)
{
    return offset >= c->pixels_from;
}

void checks_add(CHECK_CONTEXT* c, CHECK_SEVERITY severity, const char* id, std::vector<const char*> fields,
                const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    c->findings->push_back(CHECK_FINDING{severity, id, line, std::move(fields)});
}

const char* checks_plural(uint64_t n)
{
    return n == 1 ? "" : "s";
}

const char* checks_element_field(int index, CHECK_ELEMENT_FIELD field)
{
    return element_paths[field][index];
}
