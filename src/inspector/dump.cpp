#include "inspector/dump.h"

#include <imgui.h>

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
    clipper.Begin((int)lines, ImGui::GetTextLineHeightWithSpacing());
    while (clipper.Step()) {
        for (int line = clipper.DisplayStart; line < clipper.DisplayEnd; line++) {
            uint64_t first = (uint64_t)line * 16;
            uint64_t end = first + 16 < count ? first + 16 : count;
            ImGui::Text("0x%08X :", (unsigned)(int32_t)first);
            ImGui::SameLine(0.0f, -1.0f);
            for (uint64_t i = first; i < end; i++) {
                ImGui::Text("%02X", bytes[i]);
                // Not after the last byte: what follows starts its own line.
                if ((i + 1) % 16 != 0 && i + 1 != count)
                    ImGui::SameLine(0.0f, -1.0f);
            }
        }
    }
    clipper.End();
}
