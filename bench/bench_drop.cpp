// From the drop of a 4096 x 2160 10-bit file to the end of the first frame
// that shows its preview, and from "Picture" to the first frame that shows
// the Picture window, in a real window with the file in the page cache.
// Needs a display: xvfb-run -a build/bench/bench_drop
#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <imgui.h>

#include "workset/workset.h"
#include "display/imgui_impl_glfw_gl3.h"
#include "display/thumbnail.h"
#include "dpx/dpx_io.h"
#include "inspector/window_dpx_file.h"
#include "inspector/window_picture.h"
#include "support/dpx_writer.h"

namespace {

struct bench_window {
    GLFWwindow* window;
    std::string path;
};

bool bench_open(benchmark::State& state, bench_window* b)
{
    if (!glfwInit()) {
        state.SkipWithError("no display");
        return false;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GL_TRUE);
    b->window = glfwCreateWindow(1280, 720, "Tessaview benchmark", nullptr, nullptr);
    if (!b->window) {
        glfwTerminate();
        state.SkipWithError("no OpenGL 3.3 window");
        return false;
    }
    glfwMakeContextCurrent(b->window);
    ImGui_ImplGlfwGL3_Init(b->window, false);
    ImGui::GetIO().IniFilename = nullptr;

    dpx_layout layout;
    layout.width = 4096;
    layout.height = 2160;
    b->path = "/tmp/tessaview-bench-4096x2160.dpx";
    dpxw_save(dpxw_image(layout, std::vector<unsigned char>(4096u * 2160 * 4, 0x5A)), b->path);
    dpxw_load(b->path); // warm the page cache
    return true;
}

void bench_close(bench_window* b)
{
    remove(b->path.c_str());
    window_picture_shutdown();
    ImGui_ImplGlfwGL3_Shutdown();
    glfwTerminate();
}

void frame()
{
    static config_t config{false, false, false};
    ImGui_ImplGlfwGL3_NewFrame();
    workset_iterator(
        workset, [](work_t* w, void* c) { window_dpx_file(w, (config_t*)c, nullptr); }, &config);
    ImGui::Render();
    ImGui_ImplGlfwGL3_RenderDrawLists(ImGui::GetDrawData());
    glFinish();
}

void BM_drop_to_preview(benchmark::State& state)
{
    bench_window b;
    if (!bench_open(state, &b))
        return;
    const char* paths[] = {b.path.c_str()};
    for (auto _ : state) {
        state.PauseTiming();
        workset = workset_open();
        ImGui_ImplGlfwGL3_DisposeThumbnailTexture(1);
        state.ResumeTiming();

        dropCallback(b.window, 1, paths);
        frame();

        state.PauseTiming();
        workset_close(workset);
        workset = nullptr;
        state.ResumeTiming();
    }
    bench_close(&b);
}

// The Picture window decodes the element and makes its texture in the frame
// that first shows it.
void BM_picture_to_first_frame(benchmark::State& state)
{
    bench_window b;
    if (!bench_open(state, &b))
        return;
    const char* paths[] = {b.path.c_str()};
    workset = workset_open();
    dropCallback(b.window, 1, paths);
    frame();
    work_t* work = workset->next;
    for (auto _ : state) {
        work->picture_visible = true;
        frame();

        state.PauseTiming();
        work->picture_visible = false;
        frame();
        state.ResumeTiming();
    }
    workset_close(workset);
    workset = nullptr;
    bench_close(&b);
}

} // namespace

BENCHMARK(BM_drop_to_preview)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_picture_to_first_frame)->Unit(benchmark::kMillisecond)->Iterations(20);
