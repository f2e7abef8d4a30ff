#include "inspector/dump.h"

#include <imgui.h>

#include "describe/describe.h"

void dump_ascii(const unsigned char* bytes, uint64_t count, uint64_t per_line)
{
    ImGui::NextColumn();
    char hex[3];
    for (uint64_t i = 0; i < count; i++) {
        describe_hex_byte(bytes[i], hex);
        ImGui::Text("%s ", hex);
        if ((i + 1) % per_line != 0 && i + 1 != count)
            ImGui::SameLine(0.0f, -1.0f);
    }
    ImGui::NextColumn();
}

void user_defined_data_dump(const unsigned char* bytes, uint64_t count)
{
    uint64_t lines = describe_dump_line_count(count);
    // The clipper counts in int; a longer area than that cannot come from a
    // 32-bit length field.
    if (lines > (uint64_t)INT32_MAX)
        lines = INT32_MAX;
    ImGuiListClipper clipper;
    clipper.Begin((int)lines, ImGui::GetTextLineHeightWithSpacing());
    DESCRIBE_DUMP_LINE line;
    while (clipper.Step()) {
        for (int l = clipper.DisplayStart; l < clipper.DisplayEnd; l++) {
            describe_dump_line(bytes, count, (uint64_t)l, &line);
            ImGui::TextUnformatted(line.offset);
            ImGui::SameLine(0.0f, -1.0f);
            for (int i = 0; i < line.count; i++) {
                ImGui::TextUnformatted(line.hex[i]);
                // Not after the last byte: what follows starts its own line.
                if (i + 1 < line.count)
                    ImGui::SameLine(0.0f, -1.0f);
            }
        }
    }
    clipper.End();
}
