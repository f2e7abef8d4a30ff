// A drop of a directory of 10,000 small frames on a headless GUI context
// (frames built, not rendered), page cache warm: from the drop to the end of
// the first frame, which shows the Scanning window; to the end of the frame
// that turns it into the Sequence window (the complete report); and the
// longest frame between; then the longest of 100 frames of the Sequence
// window at the end of its table. Seven runs, median and spread. An argument
// sets the count of frames (10,000).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <imgui.h>

#include "folder/folder.h"
#include "inspector/window_folder.h"
#include "frames.h"
#include "support/headless_gui.h"

namespace {

using clock_type = std::chrono::steady_clock;

double ms(clock_type::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void frame()
{
    ImGui::NewFrame();
    const config_t config{false, false, false};
    window_folder_draw_all(&config, nullptr);
    ImGui::Render();
}

void print(const char* what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    printf("%-34s median %8.1f ms  min %8.1f  max %8.1f\n", what, v[v.size() / 2], v.front(), v.back());
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? atoi(argv[1]) : 10000;
    const std::string dir = "/tmp/tessaview-bench-folder";
    std::filesystem::remove_all(dir);
    write_frames(dir, (unsigned)count);
    headless_gui_begin();
    workset = workset_open();
    std::vector<double> to_window, to_report, longest, table;
    for (int run = 0; run < 7; run++) {
        const char* paths[] = {dir.c_str()};
        clock_type::time_point start = clock_type::now();
        dropCallback(nullptr, 1, paths);
        frame();
        to_window.push_back(ms(clock_type::now() - start));
        double worst = 0;
        while (!folder_scans.empty()) {
            clock_type::time_point begin = clock_type::now();
            frame();
            worst = std::max(worst, ms(clock_type::now() - begin));
        }
        to_report.push_back(ms(clock_type::now() - start));
        longest.push_back(worst);
        // End moves the selection to the last row, drawn from then on.
        ImGuiIO& io = ImGui::GetIO();
        io.KeyMap[ImGuiKey_End] = 100;
        worst = 0;
        for (int f = 0; f < 100; f++) {
            io.KeysDown[100] = f == 0;
            clock_type::time_point begin = clock_type::now();
            frame();
            worst = std::max(worst, ms(clock_type::now() - begin));
        }
        table.push_back(worst);
    }
    print("drop to the Scanning window", to_window);
    print("drop to the complete report", to_report);
    print("longest frame during the scan", longest);
    print("longest frame at the table's end", table);
    window_folder_shutdown();
    workset_close(workset);
    headless_gui_end();
    std::filesystem::remove_all(dir);
    return 0;
}
