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
#include "frames.h"

namespace {

const int RUNS = 5;

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
