#include "inspector/rows.h"

#include <imgui.h>

#include "inspector/dump.h"

void rows_draw(const DESCRIBE_ROW& row)
{
    if (row.separator)
        ImGui::Separator();
    ImGui::TextUnformatted(row.label);
    ImGui::NextColumn();
    switch (row.form) {
    case DESCRIBE_VALUE:
        ImGui::TextUnformatted(row.value.c_str());
        break;
    case DESCRIBE_TEXT_FIELD:
        ImGui::TextUnformatted(row.value.c_str());
        ImGui::NextColumn();
        dump_ascii(row.bytes, row.byte_count, DESCRIBE_BYTES_PER_LINE);
        return;
    case DESCRIBE_USER_DATA:
        if (row.byte_count > 0)
            user_defined_data_dump(row.bytes, row.byte_count);
        if (!row.value.empty())
            ImGui::TextUnformatted(row.value.c_str());
        break;
    case DESCRIBE_HEADING:
    case DESCRIBE_PREVIEW:
        break;
    }
    ImGui::NextColumn();
}

void rows_draw_all(const std::vector<DESCRIBE_ROW>& rows)
{
    for (const DESCRIBE_ROW& row : rows)
        rows_draw(row);
}

void rows_columns_begin()
{
    ImGui::Columns(2, nullptr, true);
}

void rows_columns_end()
{
    ImGui::Columns(1, nullptr, true);
    ImGui::Separator();
}
