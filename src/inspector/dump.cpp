#include "inspector/dump.h"

#include <cstdio>

#include <imgui.h>

#include "dpx/dpx_print.h"
#include "inspector/rows.h"

void dump_ascii(const unsigned char* bytes, uint64_t count, uint64_t per_line)
{
    ImGui::NextColumn();
    for (uint64_t i = 0; i < count; i++) {
        ImGui::Text("%02X ", bytes[i]);
        if ((i + 1) % per_line != 0 && i + 1 != count)
            ImGui::SameLine(0.0f, -1.0f);
    }
    ImGui::NextColumn();
}

void user_defined_data_dump(const unsigned char* bytes, uint64_t count)
{
    uint64_t lines = (count + 15) / 16;
    // The clipper counts in int; a longer area than that cannot come from a
    // 32-bit length field.
    if (lines > (uint64_t)INT32_MAX)
        lines = INT32_MAX;
    ImGuiListClipper clipper;
    // Every line is one text line high; the last may end with a pending SameLine.
    clipper.Begin((int)lines, ImGui::GetTextLineHeightWithSpacing());
    while (clipper.Step()) {
        for (int line = clipper.DisplayStart; line < clipper.DisplayEnd; line++) {
            uint64_t first = (uint64_t)line * 16;
            uint64_t end = first + 16 < count ? first + 16 : count;
            ImGui::Text("0x%08X :", (unsigned)(int32_t)first);
            ImGui::SameLine(0.0f, -1.0f);
            for (uint64_t i = first; i < end; i++) {
                ImGui::Text("%02X", bytes[i]);
                if ((i + 1) % 16 != 0)
                    ImGui::SameLine(0.0f, -1.0f);
            }
        }
    }
    clipper.End();
}

void dpx_print_data_structure(const DPX_HEADER_DATA_STRUCTURE* e, int number, int in_use)
{
    char title[256];
    char text[ROWS_SCRATCH_SIZE];
    snprintf(title, sizeof title, "Data structure for image element %d (%s)", number,
             in_use ? "in use" : "not in use");
    ImGui::Indent(0.0f);
    if (ImGui::CollapsingHeader(title, 0)) {
        rows_columns_begin();
        rows_u32("Data sign", e->data_sign);
        rows_u32("Reference low data code value", e->reference_low_data_code_value);
        rows_f32("Reference low quantity represented", e->reference_low_quantity);
        rows_u32("Reference high data code value", e->reference_high_data_code_value);
        rows_f32("Reference high quantity represented", e->reference_high_quantity);
        bool undefined = e->descriptor == 0xFF;
        rows_code("Descriptor", e->descriptor, undefined,
                  undefined ? "" : dpx_print_get_descriptor_text(e->descriptor, text));
        undefined = e->transfer_characteristic == 0xFF;
        rows_code("Transfer characteristic", e->transfer_characteristic, undefined,
                  undefined ? "" : dpx_print_get_transfer_characteristic_text(e->transfer_characteristic, text));
        undefined = e->colorimetric_specification == 0xFF;
        rows_code("Colorimetric specification", e->colorimetric_specification, undefined,
                  undefined ? ""
                            : dpx_print_get_colorimetric_specification_text(e->colorimetric_specification, text));
        rows_u8("Bit depth", e->bit_depth);
        undefined = e->packing == 0xFFFF;
        rows_code("Packing", e->packing, undefined, undefined ? "" : dpx_print_get_packing_text(e->packing, text));
        rows_u16("Encoding", e->encoding);
        rows_u32("Offset to data", e->offset_to_data);
        rows_u32("End-of-line padding", e->end_of_line_padding);
        rows_u32("End-of-image padding", e->end_of_image_padding);
        rows_text("Description of image element", e->description, (int)sizeof e->description);
        rows_columns_end();
    }
    ImGui::Unindent(0.0f);
}
