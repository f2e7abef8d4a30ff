// From the drop of a 4096 x 2160 10-bit file to the end of the first frame
// that shows its preview, in a real window with the file in the page cache.
// Needs a display: xvfb-run -a build/bench/bench_drop
#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <imgui.h>

#include "app/workset.h"
#include "display/imgui_impl_glfw_gl3.h"
#include "display/thumbnail.h"
#include "dpx/dpx_io.h"
#include "inspector/window_dpx_file.h"
#include "support/dpx_writer.h"

namespace {

void BM_drop_to_preview(benchmark::State& state)
{
    if (!glfwInit()) {
        state.SkipWithError("no display");
        return;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GL_TRUE);
    GLFWwindow* window = glfwCreateWindow(1280, 720, "Tessaview benchmark", nullptr, nullptr);
    if (!window) {
        glfwTerminate();
        state.SkipWithError("no OpenGL 3.3 window");
        return;
    }
    glfwMakeContextCurrent(window);
    ImGui_ImplGlfwGL3_Init(window, false);
    ImGui::GetIO().IniFilename = nullptr;

    dpx_layout layout;
    layout.width = 4096;
    layout.height = 2160;
    std::string path = "/tmp/tessaview-bench-4096x2160.dpx";
    dpxw_save(dpxw_image(layout, std::vector<unsigned char>(4096u * 2160 * 4, 0x5A)), path);
    dpxw_load(path); // warm the page cache
    const char* paths[] = {path.c_str()};
    config_t config{false, false, false};

    for (auto _ : state) {
        state.PauseTiming();
        workset = workset_open();
        ImGui_ImplGlfwGL3_DisposeThumbnailTexture(1);
        state.ResumeTiming();

        dropCallback(window, 1, paths);
        ImGui_ImplGlfwGL3_NewFrame();
        workset_iterator(
            workset, [](work_t* w, void* c) { window_dpx_file(w, (config_t*)c, nullptr); }, &config);
        ImGui::Render();
        ImGui_ImplGlfwGL3_RenderDrawLists(ImGui::GetDrawData());
        glFinish();

        state.PauseTiming();
        workset_close(workset);
        workset = nullptr;
        state.ResumeTiming();
    }
    remove(path.c_str());
    ImGui_ImplGlfwGL3_Shutdown();
    glfwTerminate();
}

} // namespace

BENCHMARK(BM_drop_to_preview)->Unit(benchmark::kMillisecond)->Iterations(20);
