#include "inspector/window_checks.h"

#include <cstdio>

#include <imgui.h>

namespace {

const float severity_colours[3][4] = {
    {1.00f, 0.40f, 0.40f, 1.0f}, // error
    {1.00f, 0.75f, 0.30f, 1.0f}, // warning
    {0.55f, 0.75f, 1.00f, 1.0f}, // note
};
const float none_colour[4] = {0.50f, 0.85f, 0.50f, 1.0f};

ImVec4 vec(const float c[4])
{
    return ImVec4(c[0], c[1], c[2], c[3]);
}

} // namespace

void window_checks_colour(const std::vector<CHECK_FINDING>& findings, float rgba[4])
{
    // Findings come errors first, so the first is the worst.
    const float* c = findings.empty() ? none_colour : severity_colours[findings[0].severity];
    for (int i = 0; i < 4; i++)
        rgba[i] = c[i];
}

void window_checks(work_t* work, const std::vector<CHECK_FINDING>& findings)
{
    if (!work->checks_visible)
        return;
    char title[WORK_NAME_SIZE + 32];
    snprintf(title, sizeof title, "Checks %s###Checks%d", work->name, work->index);
    ImGui::SetNextWindowSize(ImVec2(560, 300), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowPos(ImVec2((float)(40 + (work->index * 50) % 1280), 90), ImGuiCond_FirstUseEver);
    // Opening it leaves the focus, and so the NDI output, with the File window.
    if (ImGui::Begin(title, &work->checks_visible, ImGuiWindowFlags_NoFocusOnAppearing)) {
        if (findings.empty())
            ImGui::TextColored(vec(none_colour), "%s", checks_no_findings);
        for (const CHECK_FINDING& f : findings) {
            ImGui::TextColored(vec(severity_colours[f.severity]), "%s", checks_severity_text(f.severity));
            ImGui::SameLine();
            ImGui::TextUnformatted(f.id);
            ImGui::Indent();
            ImGui::TextWrapped("%s", f.message.c_str());
            std::string fields;
            for (const char* field : f.fields)
                fields += (fields.empty() ? "" : ", ") + std::string(field);
            if (!fields.empty())
                ImGui::TextDisabled("%s", fields.c_str());
            ImGui::Unindent();
            ImGui::Separator();
        }
    }
    ImGui::End();
}
