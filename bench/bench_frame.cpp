// CPU time to build one frame of File windows, every section and all eight
// element panels open, at the default window size.
#include <cstdio>
#include <vector>

#include <benchmark/benchmark.h>
#include <imgui.h>

#include "inspector/window_dpx_file.h"
#include "support/dpx_writer.h"
#include "support/headless_gui.h"

namespace {

std::vector<unsigned char> typical_file(uint32_t user_bytes)
{
    dpx_layout layout;
    layout.width = 1920;
    layout.height = 1080;
    layout.user_length = user_bytes ? 32 + user_bytes : 0;
    layout.data_offset = 8192 + user_bytes;
    dpx_writer w = dpxw_image(layout, std::vector<unsigned char>(1920u * 1080 * 4, 0x40));
    for (uint32_t i = 0; i < user_bytes; i++)
        w.bytes[2080 + i] = (unsigned char)i;
    return w.bytes;
}

void open_panels(work_t* work)
{
    ImGui::NewFrame();
    ImGui::Begin(work->name);
    for (int n = 1; n <= 8; n++) {
        char title[64];
        snprintf(title, sizeof title, "Data structure for image element %d (%s)", n, n == 1 ? "in use" : "not in use");
        ImGui::GetStateStorage()->SetInt(ImGui::GetID(title), 1);
    }
    ImGui::End();
    ImGui::EndFrame();
}

void BM_frame(benchmark::State& state, uint32_t user_bytes, int files)
{
    headless_gui_begin();
    std::vector<unsigned char> image = typical_file(user_bytes);
    std::vector<headless_gui> guis(files);
    for (int i = 0; i < files; i++) {
        headless_gui_load(&guis[i], image, i + 1);
        open_panels(&guis[i].work);
    }
    for (auto _ : state) {
        ImGui::NewFrame();
        for (headless_gui& g : guis)
            window_dpx_file(&g.work, &g.config, nullptr);
        ImGui::Render();
    }
    for (headless_gui& g : guis)
        headless_gui_unload(&g);
    headless_gui_end();
}

} // namespace

BENCHMARK_CAPTURE(BM_frame, typical_1920x1080, 0u, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_frame, user_data_1MiB, 1048576u, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_frame, typical_ten_files, 0u, 10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_frame, user_data_1MiB_ten_files, 1048576u, 10)->Unit(benchmark::kMillisecond);
