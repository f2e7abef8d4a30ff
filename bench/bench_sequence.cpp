// tessaview-dump --sequence --json over 10,000 and 100,000 small frames in
// one directory, page cache warm, in process; five runs each, median and
// spread. With "--write DIR N" it only writes the frames, for
// bench_sequence.py to time the peer tools over the same files.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "support/dpx_writer.h"

namespace {

const int RUNS = 5;

unsigned bcd(unsigned v)
{
    return (v / 10) << 4 | v % 10;
}

// 16 x 8 10-bit RGB at 24 fps: time code from 01:00:00:00, frame position,
// file name and creation time as a writer fills them.
void write_frames(const std::string& dir, unsigned count)
{
    std::filesystem::create_directories(dir);
    dpx_layout layout;
    layout.width = 16;
    layout.height = 8;
    layout.data_offset = 2048;
    dpx_writer base = dpxw_image(layout, std::vector<unsigned char>(16 * 8 * 4));
    dpxw_put(&base, DPXW_TEMPORAL_RATE, dpxw_float(24), 4);
    for (unsigned i = 0; i < count; i++) {
        dpx_writer w = base;
        unsigned f = 24 * 3600 + i;
        dpxw_put(&w, DPXW_SMPTE_TIME_CODE,
                 bcd(f / 86400 % 24) << 24 | bcd(f / 1440 % 60) << 16 | bcd(f / 24 % 60) << 8 | bcd(f % 24), 4);
        dpxw_put(&w, 1712, 1001 + i, 4);
        char name[64];
        snprintf(name, sizeof name, "shot_v001.%07u.dpx", 1001 + i);
        memcpy(&w.bytes[36], name, strlen(name));
        memcpy(&w.bytes[136], "2026:12:08:10:00:00Z", 20);
        dpxw_save(w, dir + "/" + name);
    }
}

double run_once(const std::string& dir)
{
    const char* argv[] = {"tessaview-dump", "--sequence", "--json", dir.c_str()};
    FILE* out = fopen("/dev/null", "w");
    auto start = std::chrono::steady_clock::now();
    int status = cli_run(4, argv, out, stderr);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    fclose(out);
    if (status != 0)
        fprintf(stderr, "exit status %d\n", status);
    return seconds;
}

void time_frames(unsigned count)
{
    std::string dir = std::filesystem::temp_directory_path().string() + "/tessa-bench-sequence-" + std::to_string(count);
    std::filesystem::remove_all(dir);
    write_frames(dir, count);
    run_once(dir); // warms the cache
    std::vector<double> took;
    for (int r = 0; r < RUNS; r++)
        took.push_back(run_once(dir));
    std::sort(took.begin(), took.end());
    double median = took[RUNS / 2];
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("%7u frames  median %8.1f ms  (%.1f to %.1f)  %8.0f frames/s  peak RSS so far %ld MiB\n", count,
           median * 1000, took.front() * 1000, took.back() * 1000, count / median, usage.ru_maxrss / 1024);
    std::filesystem::remove_all(dir);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && !strcmp(argv[1], "--write")) {
        write_frames(argv[2], (unsigned)atoi(argv[3]));
        return 0;
    }
    for (unsigned count : {10000u, 100000u})
        time_frames(count);
    return 0;
}
