// Conversion of a 4096 x 2160 10-bit frame, against a plain copy of its bytes.
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "dpx/dpx_io.h"
#include "pixconv/pixconv.h"
#include "support/dpx_writer.h"

namespace {

struct frame {
    dpx_writer file;
    DPX_HEADER header;
    std::vector<unsigned char> rgba;
};

frame make_frame(bool little, uint8_t bits)
{
    dpx_layout layout;
    layout.little = little;
    layout.width = 4096;
    layout.height = 2160;
    layout.bit_depth = bits;
    size_t bytes = bits == 10 ? 4096u * 2160 * 4 : 4096u * 2160 * 6;
    std::vector<unsigned char> data(bytes);
    for (size_t i = 0; i < bytes; i++)
        data[i] = (unsigned char)(i * 7);
    frame f{dpxw_image(layout, data), {}, {}};
    dpx_io_header_read(f.file.bytes.data(), f.file.bytes.size(), &f.header);
    f.rgba.resize(4096u * 2160 * 4);
    return f;
}

void BM_convert(benchmark::State& state, bool little, uint8_t bits)
{
    frame f = make_frame(little, bits);
    for (auto _ : state) {
        pixconv_execute(&f.header, f.rgba.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)f.header.image_data_size);
}

void BM_memcpy(benchmark::State& state)
{
    std::vector<unsigned char> src(4096u * 2160 * 4, 1), dst(src.size());
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)src.size());
}

} // namespace

BENCHMARK_CAPTURE(BM_convert, rgb10_be, false, 10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_convert, rgb10_le, true, 10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_convert, rgb16_be, false, 16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy)->Unit(benchmark::kMillisecond);
