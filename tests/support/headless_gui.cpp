#include "support/headless_gui.h"

#include <cstring>
#include <sstream>

#include <imgui.h>

#include "dpx/dpx_io.h"
#include "inspector/window_dpx_file.h"

namespace {
// The log reaches us through the clipboard hook when it finishes.
std::string captured;
void capture_clipboard(void*, const char* text)
{
    captured = text;
}
} // namespace

void headless_gui_begin()
{
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(1600, 200000);
    io.DeltaTime = 1.0f / 60.0f;
    io.SetClipboardTextFn = capture_clipboard;
    // As the real renderer: tall windows need more than 16-bit indices reach.
    io.BackendFlags |= ImGuiBackendFlags_RendererHasVtxOffset;
    unsigned char* pixels;
    int w, h;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
}

void headless_gui_end()
{
    ImGui::DestroyContext();
}

void headless_gui_load(headless_gui* gui, const std::vector<unsigned char>& image, int index)
{
    gui->image = image;
    memset(&gui->work, 0, sizeof gui->work);
    gui->work.index = index;
    gui->work.visible = true;
    gui->work.texture_pending = true;
    snprintf(gui->work.name, sizeof gui->work.name, "file %d.dpx", index);
    gui->work.buffer = gui->image.data();
    gui->work.buffer_size = gui->image.size();
    gui->work.file_size = gui->image.size();
    dpx_io_header_read(gui->work.buffer, gui->work.buffer_size, &gui->work.header);
    gui->config = config_t{false, false, true};
}

std::string headless_gui_frame(headless_gui* gui, float width)
{
    ImGui::SetWindowSize(gui->work.name, ImVec2(width, 190000), ImGuiCond_Always);
    ImGui::NewFrame();
    // Depth 0: logging must not open the panels that the user has closed.
    captured.clear();
    ImGui::LogToClipboard(0);
    window_dpx_file(&gui->work, &gui->config, nullptr);
    ImGui::LogFinish();
    ImGui::Render();
    return captured;
}

std::vector<std::string> headless_gui_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> headless_gui_window_lines(const std::function<void()>& draw)
{
    ImGui::NewFrame();
    captured.clear();
    ImGui::LogToClipboard(0);
    draw();
    ImGui::LogFinish();
    ImGui::Render();
    return headless_gui_lines(captured);
}
