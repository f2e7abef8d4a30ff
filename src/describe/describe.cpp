#include "describe/describe.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "dpx/dpx_layout.h"
#include "dpx/dpx_print.h"
#include "pixconv/pixconv.h"

namespace {

const char* const undefined_text = "(Undefined)";
const char* const past_end_text = "(not in file)";

typedef std::vector<DESCRIBE_ROW> rows_t;


DESCRIBE_ROW& add(rows_t* rows, const char* label, std::string value, bool separator = true)
{
    DESCRIBE_ROW row{};
    row.label = label;
    row.value = std::move(value);
    row.form = DESCRIBE_VALUE;
    row.separator = separator;
    rows->push_back(std::move(row));
    return rows->back();
}

DESCRIBE_ROW& with_raw(DESCRIBE_ROW& row, uint64_t raw, bool undefined = false)
{
    row.raw = DESCRIBE_RAW_UNSIGNED;
    row.raw_unsigned = raw;
    row.undefined = undefined;
    return row;
}

// Guarded rows: "(Undefined)" when the field has all bits set.
void add_unsigned(rows_t* rows, const char* label, uint32_t value, bool undefined, const char* fmt = "%u")
{
    with_raw(add(rows, label, undefined ? undefined_text : describe_format(fmt, value)), value, undefined);
}

void add_u32(rows_t* rows, const char* label, uint32_t value) { add_unsigned(rows, label, value, dpx_undefined_u32(value)); }
void add_hex32(rows_t* rows, const char* label, uint32_t value)
{
    add_unsigned(rows, label, value, dpx_undefined_u32(value), "0x%08X");
}
void add_u16(rows_t* rows, const char* label, uint16_t value) { add_unsigned(rows, label, value, dpx_undefined_u16(value)); }
void add_u8(rows_t* rows, const char* label, uint8_t value) { add_unsigned(rows, label, value, dpx_undefined_u8(value)); }

void add_f32(rows_t* rows, const char* label, float value)
{
    bool undefined = dpx_undefined_float(value);
    DESCRIBE_ROW& row = add(rows, label, undefined ? undefined_text : describe_format("%f", (double)value));
    row.raw = DESCRIBE_RAW_FLOAT;
    row.raw_float = value;
    row.undefined = undefined;
}

// A guarded code with its meaning, "%u '%s'"; the text is asked for only
// when the code is defined.
void add_code(rows_t* rows, const char* label, uint32_t value, bool undefined, char* (*text)(int, char*))
{
    char buffer[DPX_PRINT_TEXT_SIZE];
    with_raw(add(rows, label, undefined ? undefined_text : describe_format("%u '%s'", value, text((int)value, buffer))), value,
             undefined);
}

// A 32-bit field shown in hexadecimal with its meaning, "0x%08X '%s'".
void add_hex_code(rows_t* rows, const char* label, uint32_t value, char* (*text)(uint32_t, char*))
{
    char buffer[DPX_PRINT_TEXT_SIZE];
    bool undefined = dpx_undefined_u32(value);
    with_raw(add(rows, label, undefined ? undefined_text : describe_format("0x%08X '%s'", value, text(value, buffer))), value,
             undefined);
}

void add_text(rows_t* rows, const char* label, const char* field, int size)
{
    DESCRIBE_ROW& row = add(rows, label, describe_format("'%-*.*s'", size, size, field));
    row.form = DESCRIBE_TEXT_FIELD;
    row.bytes = (const unsigned char*)field;
    row.byte_count = (uint64_t)size;
}

#define TEXT_ROW(rows, label, field) add_text(rows, label, field, (int)sizeof(field))

void add_size(rows_t* rows, const char* label, uint32_t bytes)
{
    with_raw(add(rows, label, describe_format("%8u bytes", bytes), false), bytes);
}

// Where the fields of rows first..first+count-1 lie: {offset, size} each, in
// row order. Only the film and television sections can lie past the end of a
// file that was loaded: it holds at least the generic sections.
struct FIELD_SPAN {
    uint16_t offset, size;
};

const FIELD_SPAN film_spans[] = {{1664, 2},  {1666, 2},  {1668, 2},  {1670, 6},  {1676, 4},  {1680, 32}, {1712, 4},
                                 {1716, 4},  {1720, 4},  {1724, 4},  {1728, 4},  {1732, 32}, {1764, 100}};
const FIELD_SPAN television_spans[] = {{1920, 4}, {1924, 4}, {1928, 1}, {1929, 1}, {1930, 1},
                                       {1932, 4}, {1936, 4}, {1940, 4}, {1944, 4}, {1948, 4},
                                       {1952, 4}, {1956, 4}, {1960, 4}, {1964, 4}, {1968, 4}};
// The summary's time code, user bits and frame rate, rows 5 to 7.
const FIELD_SPAN summary_spans[] = {{1920, 4}, {1924, 4}, {1940, 4}};

void mark_past_end(const DPX_HEADER* h, rows_t* rows, size_t first, const FIELD_SPAN* spans, size_t count)
{
    for (size_t i = 0; i < count && first + i < rows->size(); i++) {
        if (h->short_header_size == 0 || (size_t)spans[i].offset + spans[i].size <= h->short_header_size)
            continue;
        DESCRIBE_ROW& row = (*rows)[first + i];
        row.value = past_end_text;
        row.form = DESCRIBE_VALUE;
        row.past_end = true;
        row.undefined = false;
        row.raw = DESCRIBE_RAW_NONE;
        row.bytes = nullptr;
        row.byte_count = 0;
    }
}

#define MARK_PAST_END(h, rows, first, spans) mark_past_end(h, rows, first, spans, sizeof spans / sizeof spans[0])

void summary(const DPX_HEADER* h, rows_t* rows)
{
    char text[DPX_PRINT_TEXT_SIZE];
    const DPX_HEADER_FILE_INFORMATION& f = h->file_information;
    const DPX_HEADER_DATA_STRUCTURE& e = h->image_information.image_element[0];
    const DPX_HEADER_TELEVISION_INFORMATION& t = h->television_information;
    add(rows, "Image size",
        describe_format("%u x %u", h->image_information.pixels_per_line, h->image_information.lines_per_image_element));
    add(rows, "Image element", describe_format("%u bits '%s'", (unsigned)e.bit_depth, dpx_print_get_descriptor_text(e.descriptor, text)));
    with_raw(add(rows, "Image packing", dpx_print_get_packing_text(e.packing, text)), e.packing, dpx_undefined_u16(e.packing));
    with_raw(add(rows, "Transfer characteristic",
                 dpx_print_get_transfer_characteristic_text(e.transfer_characteristic, text)),
             e.transfer_characteristic, dpx_undefined_u8(e.transfer_characteristic));
    with_raw(add(rows, "Colorimetric specification",
                 dpx_print_get_colorimetric_specification_text(e.colorimetric_specification, text)),
             e.colorimetric_specification, dpx_undefined_u8(e.colorimetric_specification));
    with_raw(add(rows, "SMPTE time code", dpx_print_get_smpte_time_code_text(t.smpte_time_code, text)),
             t.smpte_time_code, dpx_undefined_u32(t.smpte_time_code));
    with_raw(add(rows, "SMPTE user bits", dpx_print_get_smpte_user_bits_text(t.smpte_user_bits, text)),
             t.smpte_user_bits, dpx_undefined_u32(t.smpte_user_bits));
    add_f32(rows, "Frame rate (Hz)", t.temporal_sampling_rate);
    with_raw(add(rows, "File type", dpx_print_get_endian_text(f.magic_number, text)), f.magic_number);
    add(rows, "File size", "").form = DESCRIBE_HEADING;
    add_size(rows, "  Generic section", f.generic_section_header_length);
    add_size(rows, "  Industry specific", f.industry_specific_header_length);
    add_size(rows, "  User-defined", f.user_defined_header_length);
    add_size(rows, "  Total image file size", f.total_image_file_size);
    add(rows, "", "", false);
    // Unsigned 32-bit on purpose: a lying header shows its wrapped sum.
    uint32_t meta = f.generic_section_header_length + f.industry_specific_header_length + f.user_defined_header_length;
    add_size(rows, "  [Calculated meta data size]", meta);
    add_size(rows, "  [Calculated image data size]", f.total_image_file_size - meta);
}

void file_information(const DPX_HEADER_FILE_INFORMATION* f, rows_t* rows)
{
    add_hex_code(rows, "Magic number (SDPX ASCII)", f->magic_number, dpx_print_get_endian_text);
    add_u32(rows, "Offset to image data in bytes", f->offset_to_image_data);
    TEXT_ROW(rows, "Version number of header format", f->version);
    add_u32(rows, "Total image file size in bytes", f->total_image_file_size);
    add_hex32(rows, "Ditto key", f->ditto_key);
    add_u32(rows, "Generic section header length in bytes", f->generic_section_header_length);
    add_u32(rows, "Industry specific header length in bytes", f->industry_specific_header_length);
    add_u32(rows, "User-defined header length in bytes", f->user_defined_header_length);
    TEXT_ROW(rows, "Image filename", f->image_filename);
    TEXT_ROW(rows, "Creation date/time", f->creation_date_time);
    TEXT_ROW(rows, "Creator", f->creator);
    TEXT_ROW(rows, "Project name", f->project_name);
    TEXT_ROW(rows, "Right to use or copyright statement", f->copyright_statement);
    add_hex32(rows, "Encryption key", f->encryption_key);
}

void image_information(const DPX_HEADER* h, DESCRIBE_SECTION* section)
{
    const DPX_HEADER_IMAGE_INFORMATION* i = &h->image_information;
    rows_t* rows = &section->rows;
    add_code(rows, "Image orientation", i->image_orientation, dpx_undefined_u16(i->image_orientation), dpx_print_get_image_orientation_code_text);
    add_u16(rows, "Number of image elements", i->number_of_image_elements);
    add_u32(rows, "Pixels per line", i->pixels_per_line);
    add_u32(rows, "Lines per image element", i->lines_per_image_element);
    section->panels.resize(DPX_IMAGE_ELEMENT_COUNT);
    for (int n = 1; n <= DPX_IMAGE_ELEMENT_COUNT; n++)
        describe_panel(&i->image_element[n - 1], n, dpx_element_in_use(h, n - 1), &section->panels[n - 1]);
}

void image_source_information(const DPX_HEADER_IMAGE_SOURCE_INFORMATION* s, rows_t* rows)
{
    add_u32(rows, "X offset", s->x_offset);
    add_u32(rows, "Y offset", s->y_offset);
    add_f32(rows, "X center", s->x_center);
    add_f32(rows, "Y center", s->y_center);
    add_u32(rows, "X original size", s->x_original_size);
    add_u32(rows, "Y original size", s->y_original_size);
    TEXT_ROW(rows, "Source image filename", s->source_image_filename);
    TEXT_ROW(rows, "Source image date/time", s->source_image_date_time);
    TEXT_ROW(rows, "Input device name", s->input_device_name);
    TEXT_ROW(rows, "Input device serial number", s->input_device_serial_number);
    add_u16(rows, "Border validity (XL)", s->border_validity[0]);
    add_u16(rows, "Border validity (XR)", s->border_validity[1]);
    add_u16(rows, "Border validity (YT)", s->border_validity[2]);
    add_u16(rows, "Border validity (YB)", s->border_validity[3]);
    add_u32(rows, "Pixel aspect ratio (horizontal)", s->pixel_aspect_ratio[0]);
    add_u32(rows, "Pixel aspect ratio (vertical)", s->pixel_aspect_ratio[1]);
    add_f32(rows, "X scanned size", s->x_scanned_size);
    add_f32(rows, "Y scanned size", s->y_scanned_size);
}

void film_information(const DPX_HEADER_MOTION_PICTURE_FILM_INFORMATION* m, rows_t* rows)
{
    TEXT_ROW(rows, "Film mfg. ID code", m->film_mfg_id_code);
    TEXT_ROW(rows, "Film type", m->film_type);
    TEXT_ROW(rows, "Offset in perfs", m->offset_in_perfs);
    TEXT_ROW(rows, "Prefix", m->prefix);
    TEXT_ROW(rows, "Count", m->count);
    TEXT_ROW(rows, "Format", m->format);
    add_u32(rows, "Frame position in sequence", m->frame_position_in_sequence);
    add_u32(rows, "Sequence length", m->sequence_length);
    add_u32(rows, "Held count", m->held_count);
    add_f32(rows, "Frame rate of original", m->frame_rate_of_original);
    add_f32(rows, "Shutter angle of camera in degrees", m->shutter_angle);
    TEXT_ROW(rows, "Frame identification", m->frame_identification);
    TEXT_ROW(rows, "Slate information", m->slate_information);
}

void television_information(const DPX_HEADER_TELEVISION_INFORMATION* t, rows_t* rows)
{
    add_hex_code(rows, "SMPTE time code", t->smpte_time_code, dpx_print_get_smpte_time_code_text);
    add_hex_code(rows, "SMPTE user bits", t->smpte_user_bits, dpx_print_get_smpte_user_bits_text);
    add_u8(rows, "Interlace", t->interlace);
    add_u8(rows, "Field number", t->field_number);
    add_code(rows, "Video signal standard", t->video_signal_standard, dpx_undefined_u8(t->video_signal_standard), dpx_print_get_video_signal_standard_text);
    add_f32(rows, "Horizontal sampling rate (Hz)", t->horizontal_sampling_rate);
    add_f32(rows, "Vertical sampling rate (Hz)", t->vertical_sampling_rate);
    add_f32(rows, "Temporal sampling rate or frame rate (Hz)", t->temporal_sampling_rate);
    add_f32(rows, "Time offset from sync to first pixel (ms)", t->time_offset);
    add_f32(rows, "Gamma", t->gamma);
    add_f32(rows, "Black level code value", t->black_level_code_value);
    add_f32(rows, "Black gain", t->black_gain);
    add_f32(rows, "Breakpoint", t->breakpoint);
    add_f32(rows, "Reference white level code value", t->reference_white_level_code_value);
    add_f32(rows, "Integration time (s)", t->integration_time);
}

void user_defined_data(const DPX_HEADER* h, rows_t* rows)
{
    uint32_t len = h->file_information.user_defined_header_length;
    if (len == 0 || dpx_undefined_u32(len)) {
        add(rows, "User identification", "(none)", false);
        return;
    }
    uint32_t size = len >= 32 ? len - 32 : 0;
    const DPX_HEADER_USER_DEFINED_DATA& u = h->user_defined_data;
    DESCRIBE_ROW& id = add(rows, "User identification", describe_format("'%-*.*s'", 32, 32, u.user_identification));
    id.bytes = (const unsigned char*)u.user_identification;
    id.byte_count = sizeof u.user_identification;
    if (size == 0)
        return;
    with_raw(add(rows, "Data size", describe_format("%u bytes", size)), size);
    // The length field is not trusted: only what the file holds is shown.
    uint64_t held = u.user_data ? h->user_data_size : 0;
    uint64_t shown = size < held ? size : held;
    DESCRIBE_ROW& data = add(rows, "Data stream", shown < size
                                                      ? describe_format("(%llu of the %u declared bytes are missing from the file)",
                                                               (unsigned long long)(size - shown), size)
                                                      : std::string());
    data.form = DESCRIBE_USER_DATA;
    data.bytes = u.user_data;
    data.byte_count = shown;
}

const char* const section_titles[DESCRIBE_SECTION_COUNT] = {
    "Image data",
    "Summary",
    "File information header",
    "Image information header",
    "Image source information header",
    "Motion-picture film information header",
    "Television information header",
    "User defined data",
};

} // namespace

uint64_t describe_dump_line_count(uint64_t byte_count)
{
    return (byte_count + DESCRIBE_BYTES_PER_LINE - 1) / DESCRIBE_BYTES_PER_LINE;
}

void describe_hex_byte(unsigned char byte, char text[3])
{
    static const char digits[] = "0123456789ABCDEF";
    text[0] = digits[byte >> 4];
    text[1] = digits[byte & 15];
    text[2] = '\0';
}

void describe_dump_line(const unsigned char* bytes, uint64_t byte_count, uint64_t line, DESCRIBE_DUMP_LINE* out)
{
    uint64_t first = line * DESCRIBE_BYTES_PER_LINE;
    snprintf(out->offset, sizeof out->offset, "0x%08X :", (unsigned)(int32_t)first);
    uint64_t left = first < byte_count ? byte_count - first : 0;
    out->count = left < DESCRIBE_BYTES_PER_LINE ? (int)left : DESCRIBE_BYTES_PER_LINE;
    for (int i = 0; i < out->count; i++)
        describe_hex_byte(bytes[first + (uint64_t)i], out->hex[i]);
}

std::string describe_format(const char* fmt, ...)
{
    char text[512];
    va_list args;
    va_start(args, fmt);
    vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

const char* describe_section_title(DESCRIBE_SECTION_ID id)
{
    return section_titles[id];
}

void describe_panel(const DPX_HEADER_DATA_STRUCTURE* e, int number, bool in_use, DESCRIBE_PANEL* panel)
{
    panel->title = describe_format("Data structure for image element %d (%s)", number, in_use ? "in use" : "not in use");
    rows_t* rows = &panel->rows;
    rows->clear();
    add_u32(rows, "Data sign", e->data_sign);
    add_u32(rows, "Reference low data code value", e->reference_low_data_code_value);
    add_f32(rows, "Reference low quantity represented", e->reference_low_quantity);
    add_u32(rows, "Reference high data code value", e->reference_high_data_code_value);
    add_f32(rows, "Reference high quantity represented", e->reference_high_quantity);
    add_code(rows, "Descriptor", e->descriptor, dpx_undefined_u8(e->descriptor), dpx_print_get_descriptor_text);
    add_code(rows, "Transfer characteristic", e->transfer_characteristic, dpx_undefined_u8(e->transfer_characteristic),
             dpx_print_get_transfer_characteristic_text);
    add_code(rows, "Colorimetric specification", e->colorimetric_specification, dpx_undefined_u8(e->colorimetric_specification),
             dpx_print_get_colorimetric_specification_text);
    add_u8(rows, "Bit depth", e->bit_depth);
    add_code(rows, "Packing", e->packing, dpx_undefined_u16(e->packing), dpx_print_get_packing_text);
    add_u16(rows, "Encoding", e->encoding);
    add_u32(rows, "Offset to data", e->offset_to_data);
    add_u32(rows, "End-of-line padding", e->end_of_line_padding);
    add_u32(rows, "End-of-image padding", e->end_of_image_padding);
    TEXT_ROW(rows, "Description of image element", e->description);
}

void describe_section(const DPX_HEADER* h, DESCRIBE_SECTION_ID id, DESCRIBE_SECTION* section)
{
    section->title = section_titles[id];
    section->rows.clear();
    section->panels.clear();
    rows_t* rows = &section->rows;
    switch (id) {
    case DESCRIBE_IMAGE_DATA: {
        DESCRIBE_ROW& row = add(rows, "Preview", describe_preview_text(h), false);
        row.form = DESCRIBE_PREVIEW;
        break;
    }
    case DESCRIBE_SUMMARY:
        summary(h, rows);
        MARK_PAST_END(h, rows, 5, summary_spans);
        break;
    case DESCRIBE_FILE_INFORMATION:
        file_information(&h->file_information, rows);
        break;
    case DESCRIBE_IMAGE_INFORMATION:
        image_information(h, section);
        break;
    case DESCRIBE_IMAGE_SOURCE_INFORMATION:
        image_source_information(&h->image_source_information, rows);
        break;
    case DESCRIBE_FILM_INFORMATION:
        film_information(&h->motion_picture_film_information, rows);
        MARK_PAST_END(h, rows, 0, film_spans);
        break;
    case DESCRIBE_TELEVISION_INFORMATION:
        television_information(&h->television_information, rows);
        MARK_PAST_END(h, rows, 0, television_spans);
        break;
    case DESCRIBE_USER_DEFINED_DATA:
        user_defined_data(h, rows);
        break;
    case DESCRIBE_SECTION_COUNT:
        break;
    }
}

const char* describe_preview_refusal(const DPX_HEADER* header)
{
    const DPX_HEADER_IMAGE_INFORMATION& i = header->image_information;
    if (i.pixels_per_line == 0 || i.lines_per_image_element == 0)
        return "No preview: the picture has no pixels (0 pixels per line or 0 lines)";
    if (i.pixels_per_line > (uint32_t)INT32_MAX || i.lines_per_image_element > (uint32_t)INT32_MAX)
        return "No preview: the picture size does not fit a signed 32-bit integer";
    size_t bytes;
    if (!pixconv_rgba_size(header, &bytes))
    {
        static const std::string text =
            describe_format("No preview: the picture is larger than %d pixels on a side", (int)DPX_MAX_SIDE);
        return text.c_str();
    }
    return nullptr;
}

std::string describe_preview_text(const DPX_HEADER* header)
{
    if (const char* refusal = describe_preview_refusal(header))
        return refusal;
    const DPX_HEADER_DATA_STRUCTURE& e = header->image_information.image_element[0];
    char text[DPX_PRINT_TEXT_SIZE];
    const char* order = header->file_information.magic_number == DPX_MAGIC_LITTLE_ENDIAN ? "little-endian" : "big-endian";
    std::string layout = describe_format("descriptor %u '%s', %u bits, packing %u, %s", (unsigned)e.descriptor,
                                dpx_print_get_descriptor_text(e.descriptor, text), (unsigned)e.bit_depth,
                                (unsigned)e.packing, order);
    const PIXCONV_FORMAT* row = pixconv_find(header);
    if (!row)
        return std::string("Fallback colour ") + dpx_fallback_text() + ": no conversion for " + layout;
    return describe_format("Converted as %s (layout %d of %d)", layout.c_str(), (int)(row - format_table) + 1,
                  (int)PIXCONV_FORMAT_COUNT);
}
