#include "inspector/sections.h"

#include <imgui.h>

#include "inspector/rows.h"

bool sections_begin(const char* title)
{
    ImGui::SetNextItemOpen(true, ImGuiCond_Once);
    return ImGui::CollapsingHeader(title, 0);
}

void dpx_print_data_structure(const DESCRIBE_PANEL& panel)
{
    ImGui::Indent(0.0f);
    if (ImGui::CollapsingHeader(panel.title.c_str(), 0)) {
        rows_columns_begin();
        rows_draw_all(panel.rows);
        rows_columns_end();
    }
    ImGui::Unindent(0.0f);
}

void sections_draw(const DESCRIBE_SECTION& section)
{
    rows_columns_begin();
    rows_draw_all(section.rows);
    rows_columns_end();
    if (section.panels.empty())
        return;
    for (const DESCRIBE_PANEL& panel : section.panels)
        dpx_print_data_structure(panel);
    rows_columns_end();
}
