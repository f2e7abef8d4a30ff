#include "sequence/sequence_read.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

#include "checks/checks.h"
#include "dpx/dpx_file.h"
#include "dpx/dpx_io.h"
#include "dpx/dpx_print.h"

namespace {

uint64_t mix(uint64_t hash, uint64_t value)
{
    for (int i = 0; i < 8; i++)
        hash = (hash ^ (value >> 8 * i & 0xFF)) * 0x100000001B3ull;
    return hash;
}

// Width, height, element count, byte order and offset to image data, and
// each element's descriptor, bit depth and packing.
uint64_t layout_key(const DPX_HEADER* h)
{
    const DPX_HEADER_IMAGE_INFORMATION& i = h->image_information;
    uint64_t key = 0xCBF29CE484222325ull;
    key = mix(key, h->file_information.magic_number);
    key = mix(key, h->file_information.offset_to_image_data);
    key = mix(key, i.pixels_per_line);
    key = mix(key, i.lines_per_image_element);
    key = mix(key, i.number_of_image_elements);
    for (int e = 0; e < DPX_IMAGE_ELEMENT_COUNT && e < (int)i.number_of_image_elements; e++) {
        const DPX_HEADER_DATA_STRUCTURE& d = i.image_element[e];
        key = mix(key, (uint64_t)d.descriptor << 32 | (uint64_t)d.bit_depth << 16 | d.packing);
    }
    return key;
}

std::string layout_text(const DPX_HEADER* h)
{
    const DPX_HEADER_IMAGE_INFORMATION& i = h->image_information;
    const DPX_HEADER_DATA_STRUCTURE& e = i.image_element[0];
    char descriptor[DPX_PRINT_TEXT_SIZE], packing[32], elements[32] = "", text[256];
    if (!dpx_print_get_descriptor_text(e.descriptor, descriptor)[0])
        snprintf(descriptor, sizeof descriptor, "descriptor %u", (unsigned)e.descriptor);
    static const char* const packings[] = {"packed", "filled method A", "filled method B"};
    if (e.packing < 3)
        snprintf(packing, sizeof packing, "%s", packings[e.packing]);
    else
        snprintf(packing, sizeof packing, "packing %u", (unsigned)e.packing);
    if (i.number_of_image_elements != 1)
        snprintf(elements, sizeof elements, ", %u elements", (unsigned)i.number_of_image_elements);
    snprintf(text, sizeof text, "%u x %u, %u-bit %s, %s, %s%s", i.pixels_per_line, i.lines_per_image_element,
             (unsigned)e.bit_depth, descriptor, packing,
             h->file_information.magic_number == DPX_MAGIC_LITTLE_ENDIAN ? "little-endian" : "big-endian", elements);
    return text;
}

// The rate the time code runs at: the television header's, else the film
// header's, to a float's precision (29.97, not 29.969999313354492).
double frame_rate(const DPX_HEADER* h)
{
    for (float rate : {h->television_information.temporal_sampling_rate,
                       h->motion_picture_film_information.frame_rate_of_original})
        if (std::isfinite(rate) && rate > 0) {
            char text[32];
            snprintf(text, sizeof text, "%.7g", (double)rate);
            return strtod(text, nullptr);
        }
    return 0;
}

void take_reference(SEQUENCE_REFERENCE* r, const DPX_FILE* file, const SEQUENCE_READ* read)
{
    memcpy(r->bytes, file->image, DPX_HEADER_SIZE);
    r->layout = read->layout;
    r->layout_text = layout_text(&file->header);
    r->frame_rate = frame_rate(&file->header);
    r->held = true;
}

void compare(SEQUENCE_REFERENCE* r, const DPX_FILE* file, SEQUENCE_READ* read)
{
    sequence_rows_expected_changes(file->image, r->bytes, &read->changes);
    if (sequence_rows_same_unless_expected(file->image, r->bytes))
        return;
    // Bytes differ elsewhere: the rows tell whether a field does.
    std::call_once(r->hashed, [r] {
        DPX_HEADER header;
        dpx_io_header_read(r->bytes, DPX_HEADER_SIZE, &header);
        sequence_rows_hash(&header, &r->hashes);
    });
    read->header_change = sequence_rows_compare(&file->header, file->image, r->bytes, r->hashes, &read->changes);
}

} // namespace

void sequence_read_frame(const char* path, SEQUENCE_REFERENCE* reference, SEQUENCE_READ* read)
{
    read->time_code = read->frame_position = 0xFFFFFFFFu;
    DPX_FILE file;
    char reason[DPX_FILE_REASON_SIZE];
    read->loaded = dpx_file_load(path, DPX_FILE_STANDARD_HEADER, &file, reason);
    if (!read->loaded) {
        read->reason = reason;
        // The loader keeps nothing of a refused file; its size is looked up.
        struct stat info;
        if (stat(path, &info) == 0 && S_ISREG(info.st_mode)) {
            read->size = (uint64_t)info.st_size;
            read->empty = info.st_size == 0;
        }
        return;
    }
    const DPX_HEADER* h = &file.header;
    read->size = file.file_size;
    read->time_code = h->television_information.smpte_time_code;
    read->frame_position = h->motion_picture_film_information.frame_position_in_sequence;
    for (const CHECK_FINDING& f : checks_run(h, file.file_size)) {
        uint32_t* count[] = {&read->errors, &read->warnings, &read->notes};
        (*count[f.severity])++;
        if (f.severity == CHECK_ERROR)
            read->error_ids.push_back(f.id);
    }
    read->layout = layout_key(h);
    if (reference && reference->held)
        compare(reference, &file, read);
    else if (reference)
        take_reference(reference, &file, read);
    dpx_file_free(&file);
}
