#include "inspector/window_compare.h"

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <imgui.h>

#include "compare/compare.h"
#include "dpx/dpx_file.h"

namespace {

struct compare_window_t {
    std::string title; // "Compare NAME_A / NAME_B###Compare N": its number keeps pairs of like names apart
    std::string paths[2];
    std::string refusals[2]; // why a file could not be read, or ""
    std::vector<COMPARE_ROW> rows;
    size_t differing;
    bool open;
    bool focus; // shown again: brought to the front on its next draw
};

// Every pair opened in this run, closed ones without their rows, so that a
// pair opened again keeps its title and place.
std::map<std::pair<std::string, std::string>, compare_window_t> g_Compares;

const ImVec4 differs_colour(1.00f, 0.75f, 0.30f, 1.0f);

const char* base_name(const char* path)
{
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// The headers are read, compared and let go: the rows hold copies of what they show.
void read(compare_window_t* w)
{
    DPX_FILE files[2];
    bool loaded[2];
    for (int i = 0; i < 2; i++) {
        char reason[DPX_FILE_REASON_SIZE];
        loaded[i] = dpx_file_load(w->paths[i].c_str(), DPX_FILE_HEADER_ONLY, &files[i], reason);
        w->refusals[i] = loaded[i] ? "" : reason;
    }
    w->rows.clear();
    if (loaded[0] && loaded[1])
        compare_headers(&files[0].header, &files[1].header, &w->rows);
    w->differing = compare_count_differing(w->rows);
    for (int i = 0; i < 2; i++)
        if (loaded[i])
            dpx_file_free(&files[i]);
}

// A toggle kept in the window's state, as a tree node keeps whether it is open.
bool toggle(const char* label)
{
    ImGuiStorage* storage = ImGui::GetStateStorage();
    ImGuiID id = ImGui::GetID(label);
    bool on = storage->GetBool(id, false);
    if (ImGui::Checkbox(label, &on))
        storage->SetBool(id, on);
    return on;
}

void value_cell(const std::string& value, bool coloured)
{
    ImGui::TableNextColumn();
    if (coloured)
        ImGui::TextColored(differs_colour, "%s", value.c_str());
    else
        ImGui::TextUnformatted(value.c_str());
}

// The row, and under a text field or the user data that differs, its differing bytes.
void draw_row(const COMPARE_ROW& row, bool all)
{
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    ImGui::TextUnformatted(row.section.c_str());
    ImGui::TableNextColumn();
    ImGui::TextUnformatted(row.label);
    if (row.expected) {
        ImGui::SameLine();
        ImGui::TextDisabled("(expected to change)");
    }
    value_cell(row.a, all && row.differs);
    value_cell(row.b, all && row.differs);
    if (!row.bytes_differing)
        return;
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    ImGui::TableNextColumn();
    ImGui::TextWrapped("bytes at %s", compare_bytes_at(row).c_str());
    ImGui::TableNextColumn();
    ImGui::TextWrapped("%s", compare_bytes_hex(row, false).c_str());
    ImGui::TableNextColumn();
    ImGui::TextWrapped("%s", compare_bytes_hex(row, true).c_str());
}

void draw_rows(const compare_window_t* w)
{
    bool all = toggle("All rows");
    ImGui::SameLine();
    bool hide = toggle("Hide fields expected to change");
    size_t expected = 0;
    for (const COMPARE_ROW& row : w->rows)
        expected += row.differs && row.expected;
    if (w->differing == 0)
        ImGui::TextUnformatted("No row differs");
    else
        ImGui::Text("%zu of %zu rows differ, %zu of them expected to change", w->differing, w->rows.size(), expected);
    const ImGuiTableFlags flags = ImGuiTableFlags_Borders | ImGuiTableFlags_RowBg | ImGuiTableFlags_Resizable;
    if (!ImGui::BeginTable("rows", 4, flags))
        return;
    ImGui::TableSetupColumn("Section");
    ImGui::TableSetupColumn("Field");
    ImGui::TableSetupColumn(base_name(w->paths[0].c_str()));
    ImGui::TableSetupColumn(base_name(w->paths[1].c_str()));
    ImGui::TableHeadersRow();
    for (const COMPARE_ROW& row : w->rows)
        if ((all || row.differs) && !(hide && row.expected))
            draw_row(row, all);
    ImGui::EndTable();
}

void draw(compare_window_t* w)
{
    ImGui::SetNextWindowSize(ImVec2(900, 500), ImGuiCond_FirstUseEver);
    if (w->focus)
        ImGui::SetNextWindowFocus();
    w->focus = false;
    if (ImGui::Begin(w->title.c_str(), &w->open)) {
        ImGui::Text("A: %s", w->paths[0].c_str());
        ImGui::Text("B: %s", w->paths[1].c_str());
        for (int i = 0; i < 2; i++)
            if (!w->refusals[i].empty())
                ImGui::Text("Cannot read %s: %s", w->paths[i].c_str(), w->refusals[i].c_str());
        if (w->refusals[0].empty() && w->refusals[1].empty())
            draw_rows(w);
    }
    ImGui::End();
    if (!w->open)
        std::vector<COMPARE_ROW>().swap(w->rows);
}

} // namespace

void window_compare_open(const char* path_a, const char* path_b)
{
    auto key = std::make_pair(std::string(path_a), std::string(path_b));
    auto found = g_Compares.find(key);
    if (found == g_Compares.end()) {
        compare_window_t w{};
        w.title = std::string("Compare ") + base_name(path_a) + " / " + base_name(path_b) + "###Compare " +
                  std::to_string(g_Compares.size() + 1);
        w.paths[0] = path_a;
        w.paths[1] = path_b;
        found = g_Compares.emplace(key, std::move(w)).first;
    }
    compare_window_t* w = &found->second;
    read(w);
    w->open = true;
    w->focus = true;
}

void window_compare_draw_all()
{
    for (auto& entry : g_Compares)
        if (entry.second.open)
            draw(&entry.second);
}

void window_compare_shutdown()
{
    g_Compares.clear();
}
