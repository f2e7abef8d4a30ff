#include "support/headless_gui.h"

#include <imgui.h>

#include "display/picture_texture.h"
#include "display/thumbnail.h"
#include "inspector/window_dpx_file.h"

static std::string captured; // the log reaches us through the clipboard hook when it finishes

void headless_gui_begin() {
    thumbnail_stub = thumbnail_stub_t{7, nullptr};
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(1600, 200000);
    io.SetClipboardTextFn = [](void*, const char* text) { captured = text; };
    io.BackendFlags |= ImGuiBackendFlags_RendererHasVtxOffset; // as the real renderer: tall windows need it
    io.Fonts->Build();
}

void headless_gui_end() { ImGui::DestroyContext(); }

bool headless_gui_load(headless_gui* gui, const std::vector<unsigned char>& image, int index) {
    headless_gui_unload(gui);
    gui->config = config_t{false, false, true};
    const std::string name = "file " + std::to_string(index) + ".dpx";
    if (!work_init_bytes(&gui->work, name.c_str(), image.data(), image.size()))
        return false;
    gui->work.index = index;
    return true;
}

void headless_gui_unload(headless_gui* gui) {
    work_fini(&gui->work);
    gui->work = work_t();
}

std::string headless_gui_text(const std::function<void()>& draw) {
    ImGui::NewFrame();
    captured.clear();
    ImGui::LogToClipboard(0); // depth 0: logging must not open the panels that the user has closed
    draw();
    ImGui::LogFinish();
    ImGui::Render();
    std::string text; // without the spaces that end a line (std::regex is slow in unoptimised builds)
    for (char c : captured) {
        while (c == '\n' && !text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
        text += c;
    }
    return text;
}

std::string headless_gui_frame(headless_gui* gui, float width) {
    ImGui::SetWindowSize(gui->work.name, ImVec2(width, 190000), ImGuiCond_Always);
    return headless_gui_text([gui] {
        window_dpx_file(&gui->work, &gui->config, nullptr);
        ImGui::Begin(gui->work.name);
        for (int n = 1; n <= 16; n++) {
            std::string title = "Data structure for image element " + std::to_string((n + 1) / 2);
            title += n % 2 ? " (in use)" : " (not in use)";
            ImGui::GetStateStorage()->SetInt(ImGui::GetID(title.c_str()), 1);
        }
        ImGui::End();
    });
}

thumbnail_stub_t thumbnail_stub;

static bool slot(int index) { return index >= 0 && index < THUMBNAIL_SLOT_COUNT; }

bool ImGui_ImplGlfwGL3_InitThumbnailTexture(int) { return true; }
bool ImGui_ImplGlfwGL3_DisposeThumbnailTexture(int) { return true; }
const char* ImGui_ImplGlfwGL3_ThumbnailRefusal(int index) { return slot(index) ? thumbnail_stub.refusal : nullptr; }
GLuint ImGui_ImplGlfwGL3_CreateThumbnailTexture(int index, DPX_HEADER*, pixconv_read_func, void*) {
    return slot(index) ? thumbnail_stub.next_texture : 0;
}
GLuint ImGui_ImplGlfwGL3_CreatePictureTexture(const unsigned char*, int, int) { return 8; }
void ImGui_ImplGlfwGL3_DeletePictureTexture(GLuint) {}
GLuint ImGui_ImplGlfwGL3_ReplacePictureTexture(GLuint, int, int, const unsigned char*, int, int) { return 8; }

// No pixels, so nothing reaches the NDI sender.
GLuint ImGui_ImplGlfwGL3_FetchThumbnailInfo(int, int* width, int* height, unsigned char** pixels) {
    *width = *height = 0;
    *pixels = nullptr;
    return 0;
}
