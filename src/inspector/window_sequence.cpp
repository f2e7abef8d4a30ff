#include "inspector/window_sequence.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include <imgui.h>

#include "describe/describe.h"
#include "inspector/window_compare.h"
#include "workset/workset.h"

namespace {

const ImVec4 severity_colours[3] = {
    ImVec4(1.00f, 0.40f, 0.40f, 1.0f), // error
    ImVec4(1.00f, 0.75f, 0.30f, 1.0f), // warning
    ImVec4(0.55f, 0.75f, 1.00f, 1.0f), // note
};

std::string size_text(uint64_t bytes)
{
    if (bytes < 10240)
        return describe_format("%" PRIu64 " bytes", bytes);
    if (bytes < 10485760)
        return describe_format("%" PRIu64 " bytes (%.1f KiB)", bytes, bytes / 1024.0);
    return describe_format("%" PRIu64 " bytes (%.1f MiB)", bytes, bytes / 1048576.0);
}

std::string findings_text(const SEQUENCE_FRAME& f)
{
    std::string out;
    const uint32_t counts[] = {f.errors, f.warnings, f.notes};
    const char* names[] = {"error", "warning", "note"};
    for (int i = 0; i < 3; i++)
        if (counts[i])
            out += describe_format("%s%u %s%s", out.empty() ? "" : ", ", counts[i], names[i],
                                   counts[i] == 1 ? "" : "s");
    return out;
}

const SEQUENCE_FRAME* frame_at(const SEQUENCE_WINDOW* w, size_t row)
{
    if (row >= w->rows.size() || w->rows[row].frame == SEQUENCE_WINDOW_GAP)
        return nullptr;
    return &w->sequence.frames[w->rows[row].frame];
}

// As a drop of that one file would.
void open_frame(const SEQUENCE_FRAME* frame)
{
    work_t* work = workset_setup(workset, frame->path.c_str());
    if (work)
        work->visible = true;
}

void summary(const SEQUENCE_WINDOW* w)
{
    const SEQUENCE& s = w->sequence;
    ImGui::Text("Frames: %" PRIu64 " of %" PRIu64 " present (%" PRIu64 "-%" PRIu64 "), %zu files", s.present,
                s.last - s.first + 1, s.first, s.last, s.frames.size());
    ImGui::Text("Missing: %s", s.missing.empty() ? "none" : sequence_ranges_text(s.missing, 8).c_str());
    ImGui::Text("Layout: %s", s.readable ? s.layout.c_str() : "no readable frame");
    if (s.time_code_first == SEQUENCE_NONE)
        ImGui::TextUnformatted("Time code: none");
    else
        ImGui::Text("Time code: %s - %s at %s", sequence_time_code_text(s.time_code_first).c_str(),
                    sequence_time_code_text(s.time_code_last).c_str(),
                    s.frame_rate > 0 ? describe_format("%g fps", s.frame_rate).c_str() : "no rate");
    ImGui::Text("Total size: %s", size_text(w->total_size).c_str());
    ImGui::Text("Directory: %s", s.directory.empty() ? "." : s.directory.c_str());
}

void problems(SEQUENCE_WINDOW* w)
{
    const SEQUENCE& s = w->sequence;
    if (!ImGui::CollapsingHeader(describe_format("Problems (%zu)###Problems", s.problems.size()).c_str(),
                                 ImGuiTreeNodeFlags_DefaultOpen))
        return;
    if (s.problems.empty())
        ImGui::TextUnformatted("No problems");
    for (size_t i = 0; i < s.problems.size(); i++) {
        const SEQUENCE_PROBLEM& p = s.problems[i];
        ImGui::PushID((int)i);
        ImGui::TextColored(severity_colours[p.severity], "%s", checks_severity_text(p.severity));
        ImGui::SameLine();
        // A click selects its first frame in the table.
        if (ImGui::Selectable(describe_format("%s: %s", p.id, p.message.c_str()).c_str(), false) && !p.frames.empty()) {
            w->selected = window_sequence_row_of(w, p.frames[0]);
            w->scroll = true;
        }
        ImGui::PopID();
    }
}

uint64_t row_number(const SEQUENCE_WINDOW* w, size_t row)
{
    const SEQUENCE_WINDOW_ROW& r = w->rows[row];
    return r.frame == SEQUENCE_WINDOW_GAP ? r.first : w->sequence.frames[r.frame].number;
}

// Up, Down, Page Up and Page Down move the selection (Home and End move the
// position, which the selection follows); Enter opens the frame.
void keys(SEQUENCE_WINDOW* w)
{
    if (!ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows) || w->rows.empty())
        return;
    window_sequence_playback_keys(w, ImGui::GetTime());
    long last = (long)w->rows.size() - 1, at = (long)w->selected, page = w->page_rows > 1 ? w->page_rows - 1 : 1;
    const struct { ImGuiKey key; long to; } moves[] = {
        {ImGuiKey_UpArrow, at - 1}, {ImGuiKey_DownArrow, at + 1}, {ImGuiKey_PageUp, at - page},
        {ImGuiKey_PageDown, at + page}};
    for (const auto& m : moves)
        if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(m.key))) {
            at = m.to < 0 ? 0 : m.to > last ? last : m.to;
            w->scroll = true;
        }
    w->selected = (size_t)at;
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false))
        if (const SEQUENCE_FRAME* f = frame_at(w, w->selected))
            open_frame(f);
}

void frame_cells(const SEQUENCE_FRAME& f)
{
    ImGui::TableNextColumn();
    ImGui::TextUnformatted(f.time_code == SEQUENCE_NONE ? "" : sequence_time_code_text(f.time_code).c_str());
    ImGui::TableNextColumn();
    if (f.frame_position != SEQUENCE_NONE)
        ImGui::Text("%u", f.frame_position);
    ImGui::TableNextColumn();
    ImGui::Text("%" PRIu64, f.size);
    ImGui::TableNextColumn();
    int worst = f.errors ? 0 : f.warnings ? 1 : f.notes ? 2 : -1;
    if (worst >= 0)
        ImGui::TextColored(severity_colours[worst], "%s", findings_text(f).c_str());
    ImGui::TableNextColumn();
    ImGui::TextUnformatted(f.empty ? "empty file" : f.reason.c_str());
}

void row(SEQUENCE_WINDOW* w, size_t r)
{
    const SEQUENCE_WINDOW_ROW& line = w->rows[r];
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    ImGui::PushID((int)r);
    const SEQUENCE_FRAME* f = frame_at(w, r);
    std::string label = f ? describe_format("%" PRIu64, f->number) : window_sequence_gap_text(line);
    if (ImGui::Selectable(label.c_str(), w->selected == r,
                          ImGuiSelectableFlags_SpanAllColumns | ImGuiSelectableFlags_AllowDoubleClick)) {
        const SEQUENCE_FRAME* selected = frame_at(w, w->selected);
        if (ImGui::GetIO().KeyCtrl && f && selected && selected != f)
            window_compare_open(selected->path.c_str(), f->path.c_str());
        else
            w->selected = r;
        if (f && !ImGui::GetIO().KeyCtrl && ImGui::IsMouseDoubleClicked(0))
            open_frame(f);
    }
    const SEQUENCE_FRAME* selected = frame_at(w, w->selected);
    if (f && selected && selected != f && ImGui::BeginPopupContextItem()) {
        if (ImGui::MenuItem(describe_format("Compare with frame %" PRIu64, selected->number).c_str()))
            window_compare_open(selected->path.c_str(), f->path.c_str());
        ImGui::EndPopup();
    }
    ImGui::PopID();
    if (f)
        frame_cells(*f);
}

void frames(SEQUENCE_WINDOW* w)
{
    const ImGuiTableFlags flags = ImGuiTableFlags_ScrollY | ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersOuter |
                                  ImGuiTableFlags_Resizable;
    if (!ImGui::BeginTable("Frames", 6, flags, ImVec2(0, ImGui::GetTextLineHeightWithSpacing() * 16)))
        return;
    ImGui::TableSetupScrollFreeze(0, 1);
    // Wide enough for a gap's row, "1000-1001 missing".
    const float w7 = ImGui::CalcTextSize("0").x;
    const struct { const char* name; float chars; } columns[] = {
        {"Frame", 22}, {"Time code", 12}, {"Position", 9}, {"Size", 11}, {"Findings", 0}, {"Refused", 0}};
    for (const auto& c : columns)
        ImGui::TableSetupColumn(c.name, c.chars ? ImGuiTableColumnFlags_WidthFixed : ImGuiTableColumnFlags_WidthStretch,
                                c.chars * w7);
    ImGui::TableHeadersRow();
    // Only the rows in view are drawn: 100,000 frames stay smooth.
    ImGuiListClipper clipper;
    clipper.Begin((int)w->rows.size());
    if (w->scroll)
        clipper.ForceDisplayRangeByIndices((int)w->selected, (int)w->selected + 1);
    int shown = 0;
    while (clipper.Step()) {
        for (int r = clipper.DisplayStart; r < clipper.DisplayEnd; r++) {
            row(w, (size_t)r);
            if (w->scroll && (size_t)r == w->selected) {
                ImGui::SetScrollHereY(0.5f);
                w->scroll = false;
            }
        }
        if (clipper.ItemsHeight > 0)
            shown = (int)(ImGui::GetWindowHeight() / clipper.ItemsHeight) - 1;
    }
    if (shown > 1)
        w->page_rows = shown;
    ImGui::EndTable();
}

void varying(const SEQUENCE& s)
{
    if (!ImGui::CollapsingHeader(describe_format("Varying fields (%zu)###Varying", s.varying.size()).c_str(),
                                 ImGuiTreeNodeFlags_DefaultOpen))
        return;
    if (s.varying.empty()) {
        ImGui::TextUnformatted("Every field holds one value across the frames");
        return;
    }
    if (!ImGui::BeginTable("Varying", 5, ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersOuter))
        return;
    for (const char* name : {"Section", "Field", "Values", "First differs at", "Expected"})
        ImGui::TableSetupColumn(name);
    ImGui::TableHeadersRow();
    for (const SEQUENCE_VARYING& v : s.varying) {
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(v.section.c_str());
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(v.label);
        ImGui::TableNextColumn();
        ImGui::Text("%" PRIu64, v.distinct);
        ImGui::TableNextColumn();
        ImGui::Text("%" PRIu64, v.first_differs_at);
        ImGui::TableNextColumn();
        if (v.expected)
            ImGui::TextUnformatted("expected");
        else
            ImGui::TextColored(severity_colours[1], "not expected");
    }
    ImGui::EndTable();
}

// A row chosen in the table moves the position there; a position moved by
// the keys or the clock selects its row.
void follow(SEQUENCE_WINDOW* w)
{
    if (w->rows.empty())
        return;
    playback_tick(&w->playback, ImGui::GetTime());
    if (w->selected != w->followed_row) {
        playback_seek(&w->playback, row_number(w, w->selected));
    } else if (w->playback.position != w->followed_position) {
        w->selected = window_sequence_row_of(w, w->playback.position);
        w->scroll = true;
    }
    w->followed_row = w->selected;
    w->followed_position = w->playback.position;
}

void menu(SEQUENCE_WINDOW* w)
{
    if (!ImGui::BeginMenuBar())
        return;
    if (ImGui::MenuItem("Picture", nullptr, w->picture_visible))
        w->picture_visible = !w->picture_visible;
    ImGui::EndMenuBar();
}

} // namespace

std::vector<SEQUENCE_WINDOW_ROW> window_sequence_rows(const SEQUENCE& s)
{
    std::vector<SEQUENCE_WINDOW_ROW> rows;
    size_t gap = 0;
    for (size_t i = 0; i < s.frames.size(); i++) {
        for (; gap < s.missing.size() && s.missing[gap].last < s.frames[i].number; gap++)
            rows.push_back({SEQUENCE_WINDOW_GAP, s.missing[gap].first, s.missing[gap].last});
        rows.push_back({i, 0, 0});
    }
    for (; gap < s.missing.size(); gap++)
        rows.push_back({SEQUENCE_WINDOW_GAP, s.missing[gap].first, s.missing[gap].last});
    return rows;
}

std::string window_sequence_gap_text(const SEQUENCE_WINDOW_ROW& row)
{
    if (row.first == row.last)
        return describe_format("%" PRIu64 " missing", row.first);
    return describe_format("%" PRIu64 "-%" PRIu64 " missing", row.first, row.last);
}


size_t window_sequence_row_of(const SEQUENCE_WINDOW* w, uint64_t number)
{
    // Rows run in number order; a gap's row stands for its first number.
    size_t lo = 0, hi = w->rows.size();
    while (hi - lo > 1) {
        size_t mid = lo + (hi - lo) / 2;
        if (row_number(w, mid) <= number)
            lo = mid;
        else
            hi = mid;
    }
    return lo;
}

const SEQUENCE_FRAME* window_sequence_frame_of(const SEQUENCE_WINDOW* w, uint64_t number)
{
    const std::vector<SEQUENCE_FRAME>& frames = w->sequence.frames;
    std::vector<SEQUENCE_FRAME>::const_iterator f = std::lower_bound(
        frames.begin(), frames.end(), number, [](const SEQUENCE_FRAME& a, uint64_t n) { return a.number < n; });
    return f != frames.end() && f->number == number ? &*f : nullptr;
}

void window_sequence_playback_keys(SEQUENCE_WINDOW* w, double now)
{
    PLAYBACK* p = &w->playback;
    // Letters by their key codes, which are their capitals.
    const struct { int key; int action; } keys[] = {
        {ImGui::GetKeyIndex(ImGuiKey_LeftArrow), 0}, {ImGui::GetKeyIndex(ImGuiKey_RightArrow), 1},
        {ImGui::GetKeyIndex(ImGuiKey_Space), 2},     {'J', 3}, {'K', 4}, {'L', 5}, {'I', 6}, {'O', 7},
        {ImGui::GetKeyIndex(ImGuiKey_Home), 8},      {ImGui::GetKeyIndex(ImGuiKey_End), 9}};
    for (const auto& k : keys) {
        if (!ImGui::IsKeyPressed(k.key, k.action < 2))
            continue;
        switch (k.action) {
        case 0: playback_step(p, -1); break;
        case 1: playback_step(p, 1); break;
        case 2:
            if (p->direction)
                playback_pause(p);
            else
                playback_play(p, 1, now);
            break;
        case 3: playback_play(p, -1, now); break;
        case 4: playback_pause(p); break;
        case 5: playback_play(p, 1, now); break;
        case 6: playback_mark_in(p); break;
        case 7: playback_mark_out(p); break;
        case 8: playback_seek(p, p->first); break;
        case 9: playback_seek(p, p->last); break;
        }
    }
}

void window_sequence_init(SEQUENCE_WINDOW* w, SEQUENCE&& sequence)
{
    w->sequence = std::move(sequence);
    w->title = sequence_notation(w->sequence) + "###" + w->sequence.directory + "/" + sequence_pattern(w->sequence);
    w->rows = window_sequence_rows(w->sequence);
    w->total_size = 0;
    for (const SEQUENCE_FRAME& f : w->sequence.frames)
        w->total_size += f.size;
    w->visible = true;
    w->selected = 0;
    w->scroll = false;
    w->page_rows = 15;
    uint64_t first = w->rows.empty() ? 0 : row_number(w, 0);
    uint64_t last = w->rows.empty() ? 0 : row_number(w, w->rows.size() - 1);
    playback_init(&w->playback, first, last, w->sequence.frame_rate);
    w->followed_row = w->selected;
    w->followed_position = w->playback.position;
    w->picture_visible = false;
}

void window_sequence(SEQUENCE_WINDOW* w)
{
    if (!w->visible) {
        w->picture_visible = false;
        return;
    }
    ImGui::SetNextWindowSize(ImVec2(760, 620), ImGuiCond_FirstUseEver);
    if (ImGui::Begin(w->title.c_str(), &w->visible, ImGuiWindowFlags_MenuBar)) {
        menu(w);
        summary(w);
        problems(w);
        keys(w);
        follow(w);
        frames(w);
        varying(w->sequence);
    } else {
        follow(w);
    }
    ImGui::End();
}
