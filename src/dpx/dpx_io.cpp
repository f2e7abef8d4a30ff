#include "dpx/dpx_io.h"

#include <cstring>

#include "dpx/bufio.h"

namespace {

// A read position that advances by what each reader consumed.
struct cursor {
    const BUFIO* io;
    const unsigned char* at;
};

void u32(cursor* c, uint32_t* dst, size_t n = 1) { c->at += bufio_uint32_read(c->io, c->at, dst, n); }
void u16(cursor* c, uint16_t* dst, size_t n = 1) { c->at += bufio_uint16_read(c->io, c->at, dst, n); }
void u8(cursor* c, uint8_t* dst, size_t n = 1) { c->at += bufio_uint8_read(c->io, c->at, dst, n); }
void f32(cursor* c, float* dst, size_t n = 1) { c->at += bufio_float_read(c->io, c->at, dst, n); }
void text(cursor* c, char* dst, size_t n) { c->at += bufio_uint8_read(c->io, c->at, (uint8_t*)dst, n); }

void read_file_information(cursor* c, DPX_HEADER_FILE_INFORMATION* f)
{
    u32(c, &f->offset_to_image_data);
    text(c, f->version, sizeof f->version);
    u32(c, &f->total_image_file_size);
    u32(c, &f->ditto_key);
    u32(c, &f->generic_section_header_length);
    u32(c, &f->industry_specific_header_length);
    u32(c, &f->user_defined_header_length);
    text(c, f->image_filename, sizeof f->image_filename);
    text(c, f->creation_date_time, sizeof f->creation_date_time);
    text(c, f->creator, sizeof f->creator);
    text(c, f->project_name, sizeof f->project_name);
    text(c, f->copyright_statement, sizeof f->copyright_statement);
    u32(c, &f->encryption_key);
    u8(c, f->reserved, sizeof f->reserved);
}

void read_image_element(cursor* c, DPX_HEADER_DATA_STRUCTURE* e)
{
    u32(c, &e->data_sign);
    u32(c, &e->reference_low_data_code_value);
    f32(c, &e->reference_low_quantity);
    u32(c, &e->reference_high_data_code_value);
    f32(c, &e->reference_high_quantity);
    u8(c, &e->descriptor);
    u8(c, &e->transfer_characteristic);
    u8(c, &e->colorimetric_specification);
    u8(c, &e->bit_depth);
    u16(c, &e->packing);
    u16(c, &e->encoding);
    u32(c, &e->offset_to_data);
    u32(c, &e->end_of_line_padding);
    u32(c, &e->end_of_image_padding);
    text(c, e->description, sizeof e->description);
}

void read_image_information(cursor* c, DPX_HEADER_IMAGE_INFORMATION* i)
{
    u16(c, &i->image_orientation);
    u16(c, &i->number_of_image_elements);
    u32(c, &i->pixels_per_line);
    u32(c, &i->lines_per_image_element);
    // All eight records, whatever number_of_image_elements says.
    for (DPX_HEADER_DATA_STRUCTURE& e : i->image_element)
        read_image_element(c, &e);
    u8(c, i->reserved, sizeof i->reserved);
}

void read_image_source_information(cursor* c, DPX_HEADER_IMAGE_SOURCE_INFORMATION* s)
{
    u32(c, &s->x_offset);
    u32(c, &s->y_offset);
    f32(c, &s->x_center);
    f32(c, &s->y_center);
    u32(c, &s->x_original_size);
    u32(c, &s->y_original_size);
    text(c, s->source_image_filename, sizeof s->source_image_filename);
    text(c, s->source_image_date_time, sizeof s->source_image_date_time);
    text(c, s->input_device_name, sizeof s->input_device_name);
    text(c, s->input_device_serial_number, sizeof s->input_device_serial_number);
    u16(c, s->border_validity, 4);
    u32(c, s->pixel_aspect_ratio, 2);
    f32(c, &s->x_scanned_size);
    f32(c, &s->y_scanned_size);
    u8(c, s->reserved, sizeof s->reserved);
}

void read_film_information(cursor* c, DPX_HEADER_MOTION_PICTURE_FILM_INFORMATION* m)
{
    text(c, m->film_mfg_id_code, sizeof m->film_mfg_id_code);
    text(c, m->film_type, sizeof m->film_type);
    text(c, m->offset_in_perfs, sizeof m->offset_in_perfs);
    text(c, m->prefix, sizeof m->prefix);
    text(c, m->count, sizeof m->count);
    text(c, m->format, sizeof m->format);
    u32(c, &m->frame_position_in_sequence);
    u32(c, &m->sequence_length);
    u32(c, &m->held_count);
    f32(c, &m->frame_rate_of_original);
    f32(c, &m->shutter_angle);
    text(c, m->frame_identification, sizeof m->frame_identification);
    text(c, m->slate_information, sizeof m->slate_information);
    u8(c, m->reserved, sizeof m->reserved);
}

void read_television_information(cursor* c, DPX_HEADER_TELEVISION_INFORMATION* t)
{
    u32(c, &t->smpte_time_code);
    u32(c, &t->smpte_user_bits);
    u8(c, &t->interlace);
    u8(c, &t->field_number);
    u8(c, &t->video_signal_standard);
    u8(c, &t->zero);
    f32(c, &t->horizontal_sampling_rate);
    f32(c, &t->vertical_sampling_rate);
    f32(c, &t->temporal_sampling_rate);
    f32(c, &t->time_offset);
    f32(c, &t->gamma);
    f32(c, &t->black_level_code_value);
    f32(c, &t->black_gain);
    f32(c, &t->breakpoint);
    f32(c, &t->reference_white_level_code_value);
    f32(c, &t->integration_time);
    u8(c, t->reserved, sizeof t->reserved);
}

bool user_header_declared(uint32_t length)
{
    return length != 0 && !dpx_undefined_u32(length);
}

uint64_t defined_or_zero(uint32_t value)
{
    return dpx_undefined_u32(value) ? 0 : value;
}

// A file shorter than the standard sections whose header says so itself.
bool short_header_declared(const DPX_HEADER_FILE_INFORMATION* f)
{
    return !dpx_undefined_u32(f->offset_to_image_data) && f->offset_to_image_data < DPX_HEADER_SIZE &&
           defined_or_zero(f->generic_section_header_length) + defined_or_zero(f->industry_specific_header_length) <
               DPX_HEADER_SIZE &&
           !user_header_declared(f->user_defined_header_length);
}

} // namespace

int dpx_io_header_read(const unsigned char* image, size_t length, DPX_HEADER* header)
{
    if (length < DPX_GENERIC_HEADER_SIZE)
        return DPX_IO_TOO_SHORT;
    // A short file is read from a copy whose missing bytes are all ones, so
    // every field past its end reads as undefined.
    unsigned char whole[DPX_HEADER_SIZE];
    const size_t held = length < DPX_HEADER_SIZE ? length : DPX_HEADER_SIZE;
    memcpy(whole, image, held);
    memset(whole + held, 0xFF, sizeof whole - held);
    header->short_header_size = held < DPX_HEADER_SIZE ? held : 0;

    BUFIO io;
    bufio_init(&io, 0);
    cursor c = {&io, whole};
    DPX_HEADER_FILE_INFORMATION* f = &header->file_information;
    // Read big-endian in both byte orders, so the value itself tells the order.
    u32(&c, &f->magic_number);
    if (f->magic_number == DPX_MAGIC_LITTLE_ENDIAN)
        bufio_init(&io, 1);
    else if (f->magic_number != DPX_MAGIC_BIG_ENDIAN)
        return DPX_IO_NOT_DPX;

    read_file_information(&c, f);
    read_image_information(&c, &header->image_information);
    read_image_source_information(&c, &header->image_source_information);
    read_film_information(&c, &header->motion_picture_film_information);
    read_television_information(&c, &header->television_information);
    if (held < DPX_HEADER_SIZE && !short_header_declared(f))
        return DPX_IO_TOO_SHORT;

    DPX_HEADER_USER_DEFINED_DATA* u = &header->user_defined_data;
    header->user_data_size = 0;
    if (user_header_declared(f->user_defined_header_length)) {
        if (length < DPX_USER_DATA_OFFSET)
            return DPX_IO_TOO_SHORT;
        // Copied even when the declared length is below 32.
        memcpy(u->user_identification, image + DPX_HEADER_SIZE, sizeof u->user_identification);
        u->user_data = image + DPX_USER_DATA_OFFSET;
        header->user_data_size = length - DPX_USER_DATA_OFFSET;
    } else {
        memset(u->user_identification, 0, sizeof u->user_identification);
        u->user_data = nullptr;
    }

    uint32_t offset = header->image_information.image_element[0].offset_to_data;
    if (offset <= length) {
        header->image_data = image + offset;
        header->image_data_size = length - offset;
    } else {
        header->image_data = nullptr;
        header->image_data_size = 0;
    }
    return DPX_IO_OK;
}
