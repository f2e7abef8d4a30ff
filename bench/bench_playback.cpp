// Stepping and playing a sequence in its Picture window, in a real window
// (Mesa's software OpenGL under Xvfb), frames from the page cache: the time
// from a step (24 a second for 2K frames, 10 for 4K: the targets are 42 and
// 100 ms) to the end of the frame that shows it, the rate
// playback achieves at the sequence's 24 frames a second and the frames it
// passes over, the time of each stage (read, decode, upload, draw) and the
// resident size as it plays. Needs a display:
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/bench/bench_playback [2k|4k] [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <epoxy/gl.h>
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <imgui.h>

#include "display/imgui_impl_glfw_gl3.h"
#include "inspector/window_sequence.h"
#include "inspector/window_sequence_picture.h"
#include "support/dpx_writer.h"

namespace {

using clock_type = std::chrono::steady_clock;

double ms(clock_type::time_point a, clock_type::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

long resident_kib()
{
    FILE* f = fopen("/proc/self/status", "r");
    char line[256];
    long kib = 0;
    while (f && fgets(line, sizeof line, f))
        if (strncmp(line, "VmRSS:", 6) == 0)
            kib = atol(line + 6);
    if (f)
        fclose(f);
    return kib;
}

struct figures {
    std::vector<double> values;
};

void add(figures* f, double v)
{
    f->values.push_back(v);
}

void print(const char* what, figures f, const char* unit)
{
    if (f.values.empty()) {
        printf("%-44s (none)\n", what);
        return;
    }
    std::sort(f.values.begin(), f.values.end());
    printf("%-44s median %8.1f  min %8.1f  max %8.1f %s  (%zu)\n", what, f.values[f.values.size() / 2],
           f.values.front(), f.values.back(), unit, f.values.size());
}

GLFWwindow* g_Window;
figures g_Draw;

// One frame of the program's loop for the one Sequence window.
void frame(SEQUENCE_WINDOW* w)
{
    static config_t config{false, false, false};
    glfwPollEvents();
    ImGui_ImplGlfwGL3_NewFrame();
    window_sequence(w);
    window_sequence_picture(w, &config, nullptr);
    clock_type::time_point start = clock_type::now();
    ImGui::Render();
    int width, height;
    glfwGetFramebufferSize(g_Window, &width, &height);
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplGlfwGL3_RenderDrawLists(ImGui::GetDrawData());
    glfwSwapBuffers(g_Window);
    glFinish();
    add(&g_Draw, ms(start, clock_type::now()));
}

bool on_screen(const SEQUENCE_WINDOW* w)
{
    const SEQUENCE_PICTURE* sp = w->picture.get();
    return sp && sp->has_shown && sp->shown.decodable && sp->shown_number == w->playback.position;
}

// Frames until the position's picture is on screen; the milliseconds taken.
double until_shown(SEQUENCE_WINDOW* w, clock_type::time_point start)
{
    for (int i = 0; i < 10000 && !on_screen(w); i++)
        frame(w);
    return ms(start, clock_type::now());
}

} // namespace

int main(int argc, char** argv)
{
    bool four_k = argc > 1 && strcmp(argv[1], "4k") == 0;
    int runs = argc > 2 ? atoi(argv[2]) : 5;
    const uint32_t width = four_k ? 4096 : 2048, height = four_k ? 2160 : 1556;
    const unsigned count = four_k ? 24 : 48;
    const int steps_a_second = four_k ? 10 : 24;
    std::string dir = "/tmp/tessaview-bench-playback-" + std::string(four_k ? "4k" : "2k");
    std::filesystem::create_directories(dir);
    dpx_layout layout;
    layout.width = width;
    layout.height = height;
    std::vector<unsigned char> data((size_t)width * height * 4);
    for (unsigned n = 1; n <= count; n++) {
        char name[64];
        snprintf(name, sizeof name, "/shot.%04u.dpx", n);
        if (std::filesystem::exists(dir + name))
            continue;
        for (size_t i = 0; i < data.size(); i++)
            data[i] = (unsigned char)(i * 7 + n * 13);
        dpx_writer w = dpxw_image(layout, data);
        dpxw_put(&w, DPXW_TEMPORAL_RATE, dpxw_float(24.0f), 4);
        dpxw_save(w, dir + name);
    }
    for (unsigned n = 1; n <= count; n++) { // into the page cache
        char name[64];
        snprintf(name, sizeof name, "/shot.%04u.dpx", n);
        dpxw_load(dir + name);
    }

    if (!glfwInit())
        return 1;
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GL_TRUE);
    g_Window = glfwCreateWindow(1280, 720, "Tessaview benchmark", nullptr, nullptr);
    if (!g_Window)
        return 1;
    glfwMakeContextCurrent(g_Window);
    ImGui_ImplGlfwGL3_Init(g_Window, false);
    ImGui::GetIO().IniFilename = nullptr;

    SEQUENCE_SCAN scan;
    SEQUENCE_OPTIONS options{};
    sequence_scan({dir}, options, &scan);
    if (scan.sequences.size() != 1)
        return 1;
    printf("%u x %u 10-bit RGB, %u frames at %g fps, %d runs\n", width, height, count,
           scan.sequences[0].frame_rate, runs);

    figures step, cold, rate, dropped, read, decode, upload, settled, growth;
    for (int run = 0; run < runs; run++) {
        SEQUENCE_WINDOW w;
        window_sequence_init(&w, SEQUENCE(scan.sequences[0]));
        w.picture_visible = true;
        until_shown(&w, clock_type::now());
        // Steps forwards, as Right does, at the pace of the target: each
        // timed from when it was due, so a late one makes the next late too.
        clock_type::time_point due = clock_type::now();
        for (int i = 0; i < 24; i++) {
            due += std::chrono::microseconds(1000000 / steps_a_second);
            while (clock_type::now() < due)
                frame(&w);
            playback_step(&w.playback, 1);
            add(&step, until_shown(&w, due));
        }
        // Jumps beyond what was read ahead, from the first frame.
        playback_seek(&w.playback, w.playback.first);
        until_shown(&w, clock_type::now());
        for (int i = 0; i < 4; i++) {
            clock_type::time_point start = clock_type::now();
            playback_step(&w.playback, i % 2 ? -7 : 9);
            add(&cold, until_shown(&w, start));
        }
        // Five seconds of play from the first frame, looping.
        playback_seek(&w.playback, w.playback.first);
        until_shown(&w, clock_type::now());
        SEQUENCE_PICTURE* sp = w.picture.get();
        uint64_t pictures = sp->pictures, passed = sp->dropped, seen = sp->shown_number;
        // The read-ahead fills within the first second; after it the
        // resident size should stay put however long playback runs.
        long before = resident_kib(), at_one_second = 0, most = 0;
        g_Draw.values.clear();
        playback_play(&w.playback, 1, ImGui::GetTime());
        clock_type::time_point start = clock_type::now();
        while (ms(start, clock_type::now()) < 5000) {
            frame(&w);
            if (sp->has_shown && sp->shown_number != seen) {
                seen = sp->shown_number;
                add(&read, sp->shown.read_ms);
                add(&decode, sp->shown.decode_ms);
                add(&upload, sp->upload_ms);
            }
            if (ms(start, clock_type::now()) < 1000)
                at_one_second = resident_kib();
            else
                most = std::max(most, resident_kib());
        }
        double seconds = ms(start, clock_type::now()) / 1000;
        add(&rate, (double)(sp->pictures - pictures) / seconds);
        add(&dropped, (double)(sp->dropped - passed));
        add(&settled, (double)(at_one_second - before) / 1024);
        add(&growth, (double)(most - at_one_second) / 1024);
        window_sequence_close_picture(&w);
        window_sequence_picture_reap(true);
    }
    print(four_k ? "step to the next frame (10 a second), shown" : "step to the next frame (24 a second), shown", step,
          "ms");
    print("jump of 7 to 9 frames, shown", cold, "ms");
    print("playback: pictures shown per second", rate, "/s");
    print("playback: frames passed over in 5 s", dropped, "");
    print("playback: read of a frame", read, "ms");
    print("playback: decode and transform of a frame", decode, "ms");
    print("playback: upload of a frame", upload, "ms");
    print("playback: draw and swap of a main-loop frame", g_Draw, "ms");
    print("playback: resident size after 1 s, above the start", settled, "MiB");
    print("playback: the most it grew from 1 s to 5 s", growth, "MiB");
    ImGui_ImplGlfwGL3_Shutdown();
    glfwTerminate();
    return 0;
}
