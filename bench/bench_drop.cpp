// From the drop of a 4096 x 2160 10-bit file to the end of the first frame
// that shows its preview, and from "Picture" to the first frame that shows
// the Picture window, in a real window with the file in the page cache; and
// 200 such files in one drop: how long the drop takes, the longest frame
// until every preview that fits the memory bound is built, and the peak
// resident size; and the stages of the drop to preview one by one. Needs a
// display: xvfb-run -a build/bench/bench_drop
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include <sys/mman.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
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
#include "pixconv/pixconv.h"
#include "pixconv/pixconv_read.h"
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

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double process_cpu_seconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

void BM_drop_to_preview(benchmark::State& state)
{
    bench_window b;
    if (!bench_open(state, &b))
        return;
    const char* paths[] = {b.path.c_str()};
    // The benchmark's CPU time is its own thread's; this adds the conversion's
    // helper and Mesa's threads over the same drop and frame.
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        workset = workset_open();
        ImGui_ImplGlfwGL3_DisposeThumbnailTexture(1);
        state.ResumeTiming();

        double cpu_start = process_cpu_seconds();
        dropCallback(b.window, 1, paths);
        frame();
        cpu += process_cpu_seconds() - cpu_start;

        state.PauseTiming();
        workset_close(workset);
        workset = nullptr;
        state.ResumeTiming();
    }
    state.counters["process_cpu_ms"] = cpu * 1000 / (double)state.iterations();
    bench_close(&b);
}

// The drop to preview a stage at a time: the drop (header read), opening
// the file again, reading and converting it a band at a time into a fresh
// buffer (in 4 KiB pages on one thread; in 2 MiB pages, as the program's,
// on one and on two), making the texture's storage, copying the pixels into
// it; then the whole build as the program overlaps it, and the frame that
// draws the window once its preview is built.
void BM_drop_stages(benchmark::State& state)
{
    bench_window b;
    if (!bench_open(state, &b))
        return;
    const char* paths[] = {b.path.c_str()};
    enum { DROP, OPEN, SMALL_PAGES, ONE_THREAD, TWO_THREADS, STORAGE, UPLOAD, BUILD, FRAME, STAGES };
    const char* names[STAGES] = {"drop_ms",         "open_ms",    "convert_4k_pages_1_thread_ms",
                                 "convert_1_thread_ms", "convert_2_threads_ms", "texture_storage_ms",
                                 "texture_upload_ms",   "build_ms",   "frame_ms"};
    std::vector<double> times[STAGES], cpu_times[STAGES];
    static PIXCONV_READ job;
    const size_t bytes = 4096u * 2160 * 4, huge_page = 2 << 20;
    for (auto _ : state) {
        workset = workset_open();
        ImGui_ImplGlfwGL3_DisposeThumbnailTexture(1);
        auto start = std::chrono::steady_clock::now();
        double cpu_start = process_cpu_seconds();
        auto lap = [&](int stage) {
            times[stage].push_back(seconds_since(start));
            cpu_times[stage].push_back(process_cpu_seconds() - cpu_start);
            start = std::chrono::steady_clock::now();
            cpu_start = process_cpu_seconds();
        };
        dropCallback(b.window, 1, paths);
        lap(DROP);
        work_t* work = workset->next;
        WORK_IMAGE_READER reader;
        char reason[DPX_FILE_REASON_SIZE];
        work_image_open(work, "preview", &reader, reason);
        lap(OPEN);
        const DPX_HEADER* header = &reader.file.header;
        unsigned char* rgba = nullptr;
        for (int stage : {SMALL_PAGES, ONE_THREAD, TWO_THREADS}) {
            void* fresh = nullptr;
            if (posix_memalign(&fresh, huge_page, bytes) != 0)
                break;
            start = std::chrono::steady_clock::now();
            cpu_start = process_cpu_seconds();
            rgba = (unsigned char*)fresh;
            if (stage != SMALL_PAGES)
                madvise(rgba, bytes / huge_page * huge_page, MADV_HUGEPAGE);
            if (stage == TWO_THREADS) {
                pixconv_read_start(&job, header, work_image_read, &reader, rgba);
                pixconv_read_finish(&job);
                lap(stage);
                break;
            }
            const size_t line = pixconv_line_bytes(header), lines = PIXCONV_BAND_BYTES / line;
            for (size_t first = 0; first < 2160; first += lines) {
                size_t count = std::min(lines, 2160 - first);
                size_t got = work_image_read(&reader, first * line, job.band[0], count * line);
                pixconv_execute_lines(header, job.band[0], got, (int)first, (int)count, rgba);
            }
            pixconv_stream_fence();
            lap(stage);
            free(rgba);
            rgba = nullptr;
        }
        GLuint texture;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4096, 2160, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glFinish();
        lap(STORAGE);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 4096, 2160, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        glFinish();
        lap(UPLOAD);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &texture);
        free(rgba);
        start = std::chrono::steady_clock::now();
        cpu_start = process_cpu_seconds();
        work->texture_id = (int32_t)ImGui_ImplGlfwGL3_CreateThumbnailTexture(1, (DPX_HEADER*)header, work_image_read,
                                                                            &reader);
        glFinish();
        lap(BUILD);
        work_image_close(&reader);
        work->texture_pending = false;
        frame();
        start = std::chrono::steady_clock::now();
        cpu_start = process_cpu_seconds();
        frame();
        lap(FRAME);
        workset_close(workset);
        workset = nullptr;
    }
    pixconv_read_end(&job);
    // Wall time, and CPU time of every thread of the process (the helper's and Mesa's too).
    auto median_ms = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2] * 1000;
    };
    for (int stage = 0; stage < STAGES; stage++) {
        state.counters[names[stage]] = median_ms(times[stage]);
        state.counters[std::string("cpu_") + names[stage]] = median_ms(cpu_times[stage]);
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

bool any_pending()
{
    for (work_t* w = workset->next; w; w = w->next)
        if (w->texture_pending)
            return true;
    return false;
}

// The 200 names are hard links of one file: each is read as its own file,
// from the page cache, without 7 GB on the disk.
void BM_drop_200_files(benchmark::State& state)
{
    bench_window b;
    if (!bench_open(state, &b))
        return;
    std::vector<std::string> names;
    std::vector<const char*> paths;
    for (int i = 0; i < 200; i++) {
        names.push_back("/tmp/tessaview-bench-" + std::to_string(i) + ".dpx");
        remove(names.back().c_str());
        if (link(b.path.c_str(), names.back().c_str()) != 0) {
            state.SkipWithError("cannot link the files");
            bench_close(&b);
            return;
        }
    }
    for (const std::string& n : names)
        paths.push_back(n.c_str());
    double drop = 0, longest = 0, settled = 0;
    int frames = 0;
    for (auto _ : state) {
        workset = workset_open();
        auto start = std::chrono::steady_clock::now();
        dropCallback(b.window, (int)paths.size(), paths.data());
        drop = seconds_since(start);
        longest = 0;
        frames = 0;
        do {
            auto frame_start = std::chrono::steady_clock::now();
            frame();
            longest = std::max(longest, seconds_since(frame_start));
            frames++;
        } while (any_pending());
        // What drawing the 200 windows costs by itself, every preview built.
        auto settled_start = std::chrono::steady_clock::now();
        frame();
        settled = seconds_since(settled_start);
        state.PauseTiming();
        for (int i = 1; i <= 200 && i < THUMBNAIL_SLOT_COUNT; i++)
            ImGui_ImplGlfwGL3_DisposeThumbnailTexture(i);
        workset_close(workset);
        workset = nullptr;
        state.ResumeTiming();
    }
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    state.counters["drop_ms"] = drop * 1000;
    state.counters["longest_frame_ms"] = longest * 1000;
    state.counters["settled_frame_ms"] = settled * 1000;
    state.counters["frames"] = frames;
    state.counters["peak_rss_mib"] = (double)usage.ru_maxrss / 1024;
    for (const std::string& n : names)
        remove(n.c_str());
    bench_close(&b);
}

} // namespace

BENCHMARK(BM_drop_200_files)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_drop_to_preview)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_drop_stages)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_picture_to_first_frame)->Unit(benchmark::kMillisecond)->Iterations(20);
