#include "picture/decode.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "dpx/dpx_layout.h"
#include "dpx/dpx_print.h"

namespace {

int find_name(const DECODE_LAYOUT* l, const char* name)
{
    for (int c = 0; c < l->components; c++) {
        if (strcmp(l->names[c], name) == 0)
            return c;
    }
    return -1;
}

bool set_components(DECODE_LAYOUT* l)
{
    const DPX_DESCRIPTOR_LAYOUT* row = dpx_layout_descriptor(l->descriptor);
    if (!row || row->kind == DPX_KIND_NONE)
        return false;
    l->components = row->components;
    for (int c = 0; c < row->components; c++)
        l->names[c] = row->names[c];
    switch (row->kind) {
    case DPX_KIND_USER:
        l->colour = DECODE_USER;
        l->red = 0;
        l->green = 1;
        l->blue = l->components > 2 ? 2 : -1;
        return true;
    case DPX_KIND_RGB:
        l->colour = DECODE_RGB;
        l->red = find_name(l, "R");
        l->green = find_name(l, "G");
        l->blue = find_name(l, "B");
        break;
    case DPX_KIND_YCBCR:
        l->colour = DECODE_YCBCR;
        l->luma = find_name(l, "Y");
        l->cb = find_name(l, "Cb");
        l->cr = find_name(l, "Cr");
        l->subsampled = row->subsampled;
        break;
    default:
        l->colour = DECODE_GREY;
        break;
    }
    l->alpha = find_name(l, "A");
    return true;
}

// The end of the file image as the header's own bounds tell it: the image
// data and the user data both run to it. False when neither exists.
bool image_end(const DPX_HEADER* h, uint64_t* end)
{
    if (h->image_data) {
        *end = (uint64_t)h->image_information.image_element[0].offset_to_data + h->image_data_size;
        return true;
    }
    if (h->user_defined_data.user_data) {
        *end = DPX_USER_DATA_OFFSET + (uint64_t)h->user_data_size;
        return true;
    }
    return false;
}

void set_levels(DECODE_LAYOUT* l, const DPX_HEADER_DATA_STRUCTURE* e)
{
    l->matrix = l->colorimetric == 7 || l->colorimetric == 8 ? mtxcoe_itu_r601 : mtxcoe_smpte_274m;
    if (l->is_float) { // floats are full range: the reference codes are integer codes
        l->reference_low = 0;
        l->reference_high = 1;
        return;
    }
    uint32_t low = e->reference_low_data_code_value, high = e->reference_high_data_code_value;
    if (!dpx_undefined_u32(low) && !dpx_undefined_u32(high) && low < high) {
        l->reference_low = low;
        l->reference_high = high;
        return;
    }
    double scale = (double)((uint64_t)1 << l->bit_depth) / 1024.0;
    l->reference_low = 64 * scale;
    l->reference_high = 940 * scale;
    l->reference_defaulted = true;
}

// Which reading of an element's lines to use: the standard's, or the one of
// the film scanners that write 10-bit luma against the standard's line rule.
//
// Lasergraphics ScanStation (Creator "Lasergraphics Inc.") and DFT Scanity
// (Input device name "Scanity ...") write filled 10-bit luma, method A and
// B, without padding each line to a 32-bit word: the samples of all lines
// run on in one stream of words, three to a word from the low field up.
// FFmpeg reads their files so (its DPX decoder names both); the peer samples
// in tests/data decode to FFmpeg's code values only this way.

// The scanner the header names, or null.
const char* scanner(const DPX_HEADER* h)
{
    // Both fields are fixed-size and need not end in a NUL: compared by prefix.
    if (strncmp(h->file_information.creator, "Lasergraphics Inc.", 18) == 0)
        return "Lasergraphics ScanStation";
    if (strncmp(h->image_source_information.input_device_name, "Scanity", 7) == 0)
        return "DFT Scanity";
    return nullptr;
}

// Bytes an element of `samples` samples takes as one unpadded stream of
// filled 10-bit words.
uint64_t unpadded_bytes(uint64_t samples)
{
    return (samples + 2) / 3 * 4;
}

// Sets layout->unpadded, ->reading and ->reading_choice for filled 10-bit
// luma, `data_size` being the bytes from the element's offset to the end of
// the file image:
// - the header names one of the scanners: its reading when the data holds
//   it, the standard's otherwise (then the line says why);
// - no scanner named: the standard's, unless the data holds unpadded lines
//   but not padded ones, when the size decides.
// Layouts whose readings coincide (width a multiple of 3, no end-of-line
// padding) and all other layouts keep the standard's without a line.
void choose_reading(const DPX_HEADER* header, DECODE_LAYOUT* l, uint64_t data_size)
{
    l->unpadded = false;
    l->reading_choice = false;
    l->reading[0] = '\0';
    if (l->descriptor != 6 || l->bit_depth != 10 || (l->packing != 1 && l->packing != 2))
        return;
    const uint64_t unpadded = unpadded_bytes(l->line_samples * l->height);
    const uint64_t padded = l->line_stride * l->height;
    if (unpadded == padded)
        return;
    const char* name = scanner(header);
    if (name && data_size >= unpadded) {
        snprintf(l->reading, sizeof l->reading, "lines not padded to 32-bit words, as %s writes them", name);
    } else if (name) {
        snprintf(l->reading, sizeof l->reading,
                 "lines padded to 32-bit words, as the standard says: the data holds %" PRIu64
                 " bytes, too few for %s's unpadded lines (%" PRIu64 ")",
                 data_size, name, unpadded);
        return;
    } else if (data_size >= unpadded && data_size < padded) {
        snprintf(l->reading, sizeof l->reading,
                 "lines not padded to 32-bit words: the data holds %" PRIu64 " bytes, enough for them (%" PRIu64
                 ") but not for padded lines (%" PRIu64 ")",
                 data_size, unpadded, padded);
    } else {
        return;
    }
    l->unpadded = true;
    l->reading_choice = true;
}

} // namespace

bool decode_layout(const DPX_HEADER* header, int element, DECODE_LAYOUT* layout, char reason[DECODE_REASON_SIZE])
{
    memset(layout, 0, sizeof *layout);
    DECODE_LAYOUT* l = layout;
    l->element = element;
    l->alpha = l->red = l->green = l->blue = l->luma = l->cb = l->cr = -1;
    if (element < 0 || element >= DPX_IMAGE_ELEMENT_COUNT) {
        snprintf(reason, DECODE_REASON_SIZE, "there is no image element %d", element + 1);
        return false;
    }
    const DPX_HEADER_IMAGE_INFORMATION* info = &header->image_information;
    const DPX_HEADER_DATA_STRUCTURE* e = &info->image_element[element];
    l->width = info->pixels_per_line;
    l->height = info->lines_per_image_element;
    l->descriptor = e->descriptor;
    l->bit_depth = e->bit_depth;
    l->packing = e->packing;
    l->little_endian = header->file_information.magic_number == DPX_MAGIC_LITTLE_ENDIAN;
    l->is_float = e->bit_depth == 32 || e->bit_depth == 64;
    l->orientation = info->image_orientation;
    l->colorimetric = e->colorimetric_specification;

    char text[DPX_PRINT_TEXT_SIZE];
    if (!set_components(l)) {
        snprintf(reason, DECODE_REASON_SIZE, "descriptor %d '%s' cannot be shown", e->descriptor,
                 dpx_print_get_descriptor_text(e->descriptor, text));
        return false;
    }
    const uint8_t bits = e->bit_depth;
    if (!dpx_layout_bit_depth_defined(bits)) {
        snprintf(reason, DECODE_REASON_SIZE, "bit depth %d is not a DPX depth", bits);
        return false;
    }
    if ((bits == 10 || bits == 12) && e->packing > 2) {
        snprintf(reason, DECODE_REASON_SIZE, "packing %d '%s' is not known for %d-bit samples", e->packing,
                 dpx_print_get_packing_text(e->packing, text), bits);
        return false;
    }
    if (l->width == 0 || l->height == 0) {
        snprintf(reason, DECODE_REASON_SIZE, "the picture has no pixels (%u x %u)", l->width, l->height);
        return false;
    }
    if (l->width > DPX_MAX_SIDE || l->height > DPX_MAX_SIDE) {
        snprintf(reason, DECODE_REASON_SIZE, "the picture is larger than %d pixels on a side (%u x %u)",
                 DPX_MAX_SIDE, l->width, l->height);
        return false;
    }
    l->samples_per_pixel = dpx_layout_samples_per_pixel(e->descriptor);
    l->line_samples = (uint64_t)l->width * (uint64_t)l->samples_per_pixel;
    dpx_layout_line_bytes(l->line_samples, bits, e->packing, &l->line_bytes);
    l->line_stride = l->line_bytes + dpx_layout_defined_or_zero(e->end_of_line_padding);
    l->low_field_first = l->components == 1;

    uint32_t offset = dpx_layout_element_offset(header, element);
    l->offset_from_image_data = dpx_layout_defined_or_zero(e->offset_to_data) == 0 && offset != 0;
    if (offset == 0) {
        snprintf(reason, DECODE_REASON_SIZE, "the element has no data offset");
        return false;
    }
    l->offset = offset;
    // Without a known end, element 0's own offset is known to lie past it.
    uint64_t end;
    if (image_end(header, &end) ? offset >= end : offset >= info->image_element[0].offset_to_data) {
        snprintf(reason, DECODE_REASON_SIZE, "the element's data starts past the end of the file");
        return false;
    }
    if (l->colour == DECODE_YCBCR)
        set_levels(l, e);
    choose_reading(header, l, image_end(header, &end) && end > offset ? end - offset : 0);
    return true;
}

void decode_standard_reading(DECODE_LAYOUT* layout)
{
    if (!layout->reading_choice)
        return;
    layout->unpadded = false;
    snprintf(layout->reading, sizeof layout->reading, "%s",
             "lines padded to 32-bit words, as the standard says, for comparison");
}

double decode_code_max(const DECODE_LAYOUT* layout)
{
    return layout->is_float ? 1.0 : (double)(((uint64_t)1 << layout->bit_depth) - 1);
}

double decode_chroma_zero(const DECODE_LAYOUT* layout)
{
    return layout->is_float ? 0.5 : (double)((uint64_t)1 << (layout->bit_depth - 1));
}

int64_t decode_sample_index(const DECODE_LAYOUT* layout, uint32_t x, int component)
{
    if (!layout->subsampled)
        return (int64_t)x * layout->components + component;
    // Two pixels share one group: Cb, Y, Cr, Y or Cb, Y, A, Cr, Y, A.
    const int group = 2 * layout->samples_per_pixel;
    const int64_t base = (int64_t)(x / 2) * group;
    const int odd = (int)(x & 1);
    const int per_pixel = layout->samples_per_pixel; // 2 or 3
    int64_t s;
    if (component == layout->cb)
        s = base;
    else if (component == layout->cr)
        s = base + per_pixel;
    else // Y, or A right after it
        s = base + 1 + odd * per_pixel + (component == layout->alpha ? 1 : 0);
    return (uint64_t)s < layout->line_samples ? s : -1;
}
