// Conversion of a 4096 x 2160 picture per layout, against a plain copy of the
// same number of source bytes. "vs_memcpy" is the layout's source rate over
// memcpy's rate, measured in the same run.
#include <chrono>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "dpx/dpx_io.h"
#include "pixconv/pixconv.h"
#include "support/dpx_writer.h"

namespace {

const uint32_t width = 4096, height = 2160;

struct frame {
    dpx_writer file;
    DPX_HEADER header;
    std::vector<unsigned char> rgba;
};

frame make_frame(uint8_t descriptor, uint8_t bits, uint16_t packing, bool little, size_t bytes_per_pixel)
{
    dpx_layout layout;
    layout.little = little;
    layout.width = width;
    layout.height = height;
    layout.descriptor = descriptor;
    layout.bit_depth = bits;
    layout.packing = packing;
    std::vector<unsigned char> data((size_t)width * height * bytes_per_pixel);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (unsigned char)(i * 7);
    frame f{dpxw_image(layout, data), {}, {}};
    dpx_io_header_read(f.file.bytes.data(), f.file.bytes.size(), &f.header);
    f.rgba.resize((size_t)width * height * 4);
    return f;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Bytes per second of memcpy over `bytes`, best of a few copies.
double memcpy_rate(size_t bytes)
{
    std::vector<unsigned char> src(bytes, 1), dst(bytes);
    double best = 1e9;
    for (int i = 0; i < 8; i++) {
        auto start = std::chrono::steady_clock::now();
        memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
        double s = seconds_since(start);
        if (s < best)
            best = s;
    }
    return (double)bytes / best;
}

void BM_convert(benchmark::State& state, uint8_t descriptor, uint8_t bits, uint16_t packing, bool little,
                size_t bytes_per_pixel)
{
    frame f = make_frame(descriptor, bits, packing, little, bytes_per_pixel);
    size_t source = f.header.image_data_size;
    double best = 1e9;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        pixconv_execute(&f.header, f.rgba.data());
        benchmark::ClobberMemory();
        double s = seconds_since(start);
        if (s < best)
            best = s;
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)source);
    state.counters["vs_memcpy"] = ((double)source / best) / memcpy_rate(source);
}

void BM_memcpy(benchmark::State& state)
{
    std::vector<unsigned char> src((size_t)width * height * 4, 1), dst(src.size());
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)src.size());
}

} // namespace

BENCHMARK_CAPTURE(BM_convert, rgb8_le, 50, 8, 0, true, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_convert, rgb8_be, 50, 8, 0, false, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_convert, rgb10_le, 50, 10, 1, true, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_convert, rgb10_be, 50, 10, 1, false, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_convert, rgb16_be, 50, 16, 0, false, 6)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_convert, cbycry8_le, 100, 8, 1, true, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_convert, cbycr8_le, 102, 8, 1, true, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_convert, cbycry16_le, 100, 16, 0, true, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_convert, cbycr16_le, 102, 16, 0, true, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy)->Unit(benchmark::kMillisecond);
