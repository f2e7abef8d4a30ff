#include "app/menu.h"

#include <imgui.h>

#include "version/version.h"


void menu_main(config_t* config, const NDIVIEW* ndiview)
{
    if (!ImGui::BeginMainMenuBar())
        return;
    if (ImGui::BeginMenu("File", true)) {
        if (ImGui::MenuItem("Exit", nullptr, false, true))
            config->exit = true;
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("Tool", true)) {
        ImGui::MenuItem("Use NewTek NDI", nullptr, &config->use_ndi, true);
        const char* status = ndiview_status_text(ndiview);
        if (status)
            ImGui::MenuItem(status, nullptr, false, false);
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("Help", true)) {
        ImGui::MenuItem("About", nullptr, &config->about, true);
        ImGui::EndMenu();
    }
    ImGui::EndMainMenuBar();
}

void window_about(bool* open)
{
    if (!*open)
        return;
    ImGui::SetNextWindowPos(ImVec2(40, 40), ImGuiCond_Always);
    ImGui::Begin("About Tessaview", open, ImGuiWindowFlags_AlwaysAutoResize);
    ImGui::Text("Tessaview (Version %s)", TESSA_VERSION);
    ImGui::Text("A DPX header investigation tool for the professional video creation workflow");
    ImGui::Separator();
    ImGui::Text("Made by the Tessaview developers.");
    ImGui::Text("Thanks to everyone who sent sample files and reports.");
    ImGui::Separator();
    ImGui::Text("Reports and questions: the Tessaview project's issue tracker.");
    ImGui::End();
}
