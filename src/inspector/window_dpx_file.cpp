#include "inspector/window_dpx_file.h"

#include <cstdint>
#include <cstdio>

#include <imgui.h>

#include "display/thumbnail.h"
#include "dpx/dpx_print.h"
#include "inspector/dump.h"
#include "inspector/rows.h"
#include "inspector/sections.h"
#include "pixconv/pixconv.h"

namespace {

// Why a file shows no picture, or null when it can be drawn at `width` x `height`.
const char* preview_refusal(const work_t* work, float window_width, int* width, int* height, char* text)
{
    const DPX_HEADER_IMAGE_INFORMATION& i = work->header.image_information;
    if (work->index < 1 || work->index >= THUMBNAIL_SLOT_COUNT) {
        snprintf(text, ROWS_SCRATCH_SIZE, "No preview: file %d has no preview slot (only files 1 to %d have one)",
                 work->index, THUMBNAIL_SLOT_COUNT - 1);
        return text;
    }
    if (i.pixels_per_line == 0 || i.lines_per_image_element == 0)
        return "No preview: the picture has no pixels (0 pixels per line or 0 lines)";
    if (i.pixels_per_line > (uint32_t)INT32_MAX || i.lines_per_image_element > (uint32_t)INT32_MAX)
        return "No preview: the picture size does not fit a signed 32-bit integer";
    size_t bytes;
    if (!pixconv_rgba_size(&work->header, &bytes)) {
        snprintf(text, ROWS_SCRATCH_SIZE, "No preview: the picture is larger than %d pixels on a side",
                 PIXCONV_MAX_SIDE);
        return text;
    }
    if (work->texture_id == 0)
        return "No preview: no texture could be made for the picture";
    float p = (float)(int32_t)i.pixels_per_line;
    float l = (float)(int32_t)i.lines_per_image_element;
    float w = window_width - 35.0f;
    float h = l / (p / window_width);
    if (!(w >= 1.0f && h >= 1.0f && w < 2147483648.0f && h < 2147483648.0f))
        return "No preview: the picture would be drawn less than one pixel wide or high";
    *width = (int)w;
    *height = (int)h;
    return nullptr;
}

void section_image_data(const work_t* work, char* text)
{
    if (!sections_begin("Image data"))
        return;
    int width = 0, height = 0;
    const char* refusal = preview_refusal(work, ImGui::GetWindowSize().x, &width, &height, text);
    if (refusal) {
        ImGui::TextUnformatted(refusal);
        return;
    }
    ImGui::Image((ImTextureID)(intptr_t)work->texture_id, ImVec2((float)width, (float)height), ImVec2(0, 0),
                 ImVec2(1, 1), ImVec4(1, 1, 1, 1), ImVec4(1, 1, 1, 1));
}

void size_row(const char* label, uint32_t bytes)
{
    rows_label(label, false);
    ImGui::Text("%8u bytes", bytes);
    rows_end();
}

void section_summary(const DPX_HEADER* h, char* text)
{
    if (!sections_begin("Summary"))
        return;
    const DPX_HEADER_FILE_INFORMATION& f = h->file_information;
    const DPX_HEADER_DATA_STRUCTURE& e = h->image_information.image_element[0];
    const DPX_HEADER_TELEVISION_INFORMATION& t = h->television_information;
    rows_columns_begin();
    rows_label("Image size");
    ImGui::Text("%u x %u", h->image_information.pixels_per_line, h->image_information.lines_per_image_element);
    rows_end();
    rows_label("Image element");
    ImGui::Text("%u bits '%s'", (unsigned)e.bit_depth, dpx_print_get_descriptor_text(e.descriptor, text));
    rows_end();
    rows_label("Image packing");
    ImGui::Text("%s", dpx_print_get_packing_text(e.packing, text));
    rows_end();
    rows_label("Transfer characteristic");
    ImGui::Text("%s", dpx_print_get_transfer_characteristic_text(e.transfer_characteristic, text));
    rows_end();
    rows_label("Colorimetric specification");
    ImGui::Text("%s", dpx_print_get_colorimetric_specification_text(e.colorimetric_specification, text));
    rows_end();
    rows_label("SMPTE time code");
    ImGui::Text("%s", dpx_print_get_smpte_time_code_text(t.smpte_time_code, text));
    rows_end();
    rows_label("SMPTE user bits");
    ImGui::Text("%s", dpx_print_get_smpte_user_bits_text(t.smpte_user_bits, text));
    rows_end();
    rows_f32("Frame rate (Hz)", t.temporal_sampling_rate);
    rows_label("File type");
    ImGui::Text("%s", dpx_print_get_endian_text(f.magic_number, text));
    rows_end();
    rows_label("File size");
    rows_end();
    size_row("  Generic section", f.generic_section_header_length);
    size_row("  Industry specific", f.industry_specific_header_length);
    size_row("  User-defined", f.user_defined_header_length);
    size_row("  Total image file size", f.total_image_file_size);
    rows_label("", false);
    ImGui::TextUnformatted("");
    rows_end();
    // Unsigned 32-bit on purpose: a lying header shows its wrapped sum.
    uint32_t meta = f.generic_section_header_length + f.industry_specific_header_length +
                    f.user_defined_header_length;
    size_row("  [Calculated meta data size]", meta);
    size_row("  [Calculated image data size]", f.total_image_file_size - meta);
    rows_columns_end();
}

void section_user_defined_data(const DPX_HEADER* h)
{
    if (!sections_begin("User defined data"))
        return;
    rows_columns_begin();
    uint32_t len = h->file_information.user_defined_header_length;
    if (len > 0 && len != 0xFFFFFFFFu) {
        uint32_t size = len >= 32 ? len - 32 : 0;
        rows_label("User identification");
        ImGui::Text("'%-*.*s'", 32, 32, h->user_defined_data.user_identification);
        rows_end();
        if (size > 0) {
            rows_label("Data size");
            ImGui::Text("%u bytes", size);
            rows_end();
            // The length field is not trusted: dump only what the file holds.
            uint64_t held = h->user_defined_data.user_data ? h->user_data_size : 0;
            uint64_t shown = size < held ? size : held;
            rows_label("Data stream");
            if (shown > 0)
                user_defined_data_dump(h->user_defined_data.user_data, shown);
            if (shown < size)
                ImGui::Text("(%llu of the %u declared bytes are missing from the file)",
                            (unsigned long long)(size - shown), size);
            rows_end();
        }
    } else {
        rows_label("User identification", false);
        ImGui::TextUnformatted("(none)");
        rows_end();
    }
    rows_columns_end();
}

void ndi_hand_off(const work_t* work, const config_t* config, NDIVIEW* ndiview)
{
    if (!ImGui::IsWindowFocused() || !config->use_ndi)
        return;
    int width = 0, height = 0;
    unsigned char* pixels = nullptr;
    ImGui_ImplGlfwGL3_FetchThumbnailInfo(work->index, &width, &height, &pixels);
    if (pixels)
        ndiview_transmit(ndiview, pixels, width, height);
}

} // namespace

void menu_dpx_file() {}

void window_dpx_file(work_t* work, config_t* config, NDIVIEW* ndiview)
{
    char text[ROWS_SCRATCH_SIZE];
    ImGui::SetNextWindowSize(ImVec2(520, 700), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowPos(ImVec2((float)(20 + (work->index * 50) % 1280), 20), ImGuiCond_FirstUseEver);
    ImGui::Begin(work->name, &work->visible, ImGuiWindowFlags_MenuBar);
    menu_dpx_file();
    if (work->texture_pending) {
        work->texture_pending = false;
        work->texture_id = (int32_t)ImGui_ImplGlfwGL3_CreateThumbnailTexture(work->index, &work->header);
    }
    DPX_HEADER* h = &work->header;
    section_image_data(work, text);
    section_summary(h, text);
    sections_file_information(&h->file_information, text);
    sections_image_information(&h->image_information, text);
    sections_image_source_information(&h->image_source_information);
    sections_motion_picture_film_information(&h->motion_picture_film_information);
    sections_television_information(&h->television_information, text);
    section_user_defined_data(h);
    ndi_hand_off(work, config, ndiview);
    ImGui::End();
}
