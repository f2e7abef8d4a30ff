#include "inspector/sections.h"

#include <imgui.h>

#include "dpx/dpx_print.h"
#include "inspector/dump.h"
#include "inspector/rows.h"

#define TEXT_ROW(label, field) rows_text(label, field, (int)sizeof(field))

bool sections_begin(const char* title)
{
    ImGui::SetNextItemOpen(true, ImGuiCond_Once);
    return ImGui::CollapsingHeader(title, 0);
}

void sections_file_information(const DPX_HEADER_FILE_INFORMATION* f, char* text)
{
    if (!sections_begin("File information header"))
        return;
    rows_columns_begin();
    rows_label("Magic number (SDPX ASCII)");
    if (f->magic_number == 0xFFFFFFFFu)
        ImGui::TextUnformatted("(Undefined)");
    else
        ImGui::Text("0x%08X '%s'", f->magic_number, dpx_print_get_endian_text(f->magic_number, text));
    rows_end();
    rows_u32("Offset to image data in bytes", f->offset_to_image_data);
    TEXT_ROW("Version number of header format", f->version);
    rows_u32("Total image file size in bytes", f->total_image_file_size);
    rows_hex32("Ditto key", f->ditto_key);
    rows_u32("Generic section header length in bytes", f->generic_section_header_length);
    rows_u32("Industry specific header length in bytes", f->industry_specific_header_length);
    rows_u32("User-defined header length in bytes", f->user_defined_header_length);
    TEXT_ROW("Image filename", f->image_filename);
    TEXT_ROW("Creation date/time", f->creation_date_time);
    TEXT_ROW("Creator", f->creator);
    TEXT_ROW("Project name", f->project_name);
    TEXT_ROW("Right to use or copyright statement", f->copyright_statement);
    rows_hex32("Encryption key", f->encryption_key);
    rows_columns_end();
}

void sections_image_information(const DPX_HEADER_IMAGE_INFORMATION* i, char* text)
{
    if (!sections_begin("Image information header"))
        return;
    rows_columns_begin();
    bool undefined = i->image_orientation == 0xFFFF;
    rows_code("Image orientation", i->image_orientation, undefined,
              undefined ? "" : dpx_print_get_image_orientation_code_text(i->image_orientation, text));
    rows_u16("Number of image elements", i->number_of_image_elements);
    rows_u32("Pixels per line", i->pixels_per_line);
    rows_u32("Lines per image element", i->lines_per_image_element);
    rows_columns_end();
    for (int n = 1; n <= DPX_IMAGE_ELEMENT_COUNT; n++)
        dpx_print_data_structure(&i->image_element[n - 1], n, n <= (int)i->number_of_image_elements);
    rows_columns_end();
}

void sections_image_source_information(const DPX_HEADER_IMAGE_SOURCE_INFORMATION* s)
{
    if (!sections_begin("Image source information header"))
        return;
    rows_columns_begin();
    rows_u32("X offset", s->x_offset);
    rows_u32("Y offset", s->y_offset);
    rows_f32("X center", s->x_center);
    rows_f32("Y center", s->y_center);
    rows_u32("X original size", s->x_original_size);
    rows_u32("Y original size", s->y_original_size);
    TEXT_ROW("Source image filename", s->source_image_filename);
    TEXT_ROW("Source image date/time", s->source_image_date_time);
    TEXT_ROW("Input device name", s->input_device_name);
    TEXT_ROW("Input device serial number", s->input_device_serial_number);
    rows_u16("Border validity (XL)", s->border_validity[0]);
    rows_u16("Border validity (XR)", s->border_validity[1]);
    rows_u16("Border validity (YT)", s->border_validity[2]);
    rows_u16("Border validity (YB)", s->border_validity[3]);
    rows_u32("Pixel aspect ratio (horizontal)", s->pixel_aspect_ratio[0]);
    rows_u32("Pixel aspect ratio (vertical)", s->pixel_aspect_ratio[1]);
    rows_f32("X scanned size", s->x_scanned_size);
    rows_f32("Y scanned size", s->y_scanned_size);
    rows_columns_end();
}

void sections_motion_picture_film_information(const DPX_HEADER_MOTION_PICTURE_FILM_INFORMATION* m)
{
    if (!sections_begin("Motion-picture film information header"))
        return;
    rows_columns_begin();
    TEXT_ROW("Film mfg. ID code", m->film_mfg_id_code);
    TEXT_ROW("Film type", m->film_type);
    TEXT_ROW("Offset in perfs", m->offset_in_perfs);
    TEXT_ROW("Prefix", m->prefix);
    TEXT_ROW("Count", m->count);
    TEXT_ROW("Format", m->format);
    rows_u32("Frame position in sequence", m->frame_position_in_sequence);
    rows_u32("Sequence length", m->sequence_length);
    rows_u32("Held count", m->held_count);
    rows_f32("Frame rate of original", m->frame_rate_of_original);
    rows_f32("Shutter angle of camera in degrees", m->shutter_angle);
    TEXT_ROW("Frame identification", m->frame_identification);
    TEXT_ROW("Slate information", m->slate_information);
    rows_columns_end();
}

void sections_television_information(const DPX_HEADER_TELEVISION_INFORMATION* t, char* text)
{
    if (!sections_begin("Television information header"))
        return;
    rows_columns_begin();
    rows_label("SMPTE time code");
    if (t->smpte_time_code == 0xFFFFFFFFu)
        ImGui::TextUnformatted("(Undefined)");
    else
        ImGui::Text("0x%08X '%s'", t->smpte_time_code, dpx_print_get_smpte_time_code_text(t->smpte_time_code, text));
    rows_end();
    rows_label("SMPTE user bits");
    if (t->smpte_user_bits == 0xFFFFFFFFu)
        ImGui::TextUnformatted("(Undefined)");
    else
        ImGui::Text("0x%08X '%s'", t->smpte_user_bits, dpx_print_get_smpte_user_bits_text(t->smpte_user_bits, text));
    rows_end();
    rows_u8("Interlace", t->interlace);
    rows_u8("Field number", t->field_number);
    bool undefined = t->video_signal_standard == 0xFF;
    rows_code("Video signal standard", t->video_signal_standard, undefined,
              undefined ? "" : dpx_print_get_video_signal_standard_text(t->video_signal_standard, text));
    rows_f32("Horizontal sampling rate (Hz)", t->horizontal_sampling_rate);
    rows_f32("Vertical sampling rate (Hz)", t->vertical_sampling_rate);
    rows_f32("Temporal sampling rate or frame rate (Hz)", t->temporal_sampling_rate);
    rows_f32("Time offset from sync to first pixel (ms)", t->time_offset);
    rows_f32("Gamma", t->gamma);
    rows_f32("Black level code value", t->black_level_code_value);
    rows_f32("Black gain", t->black_gain);
    rows_f32("Breakpoint", t->breakpoint);
    rows_f32("Reference white level code value", t->reference_white_level_code_value);
    rows_f32("Integration time (s)", t->integration_time);
    rows_columns_end();
}
