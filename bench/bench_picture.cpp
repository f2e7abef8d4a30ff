// The Picture decoder on a 4096 x 2160 element, decoded and transformed to
// RGBA for display, on every core (transform_picture) and on one thread;
// wall time. "vs_pixconv" is its best time over the preview converter's best
// time for the same file in the same run (the converter exists for filled
// 10-bit RGB only; BM_pixconv times it alone, right after). Luma is decoded
// padded and, with a scanner's name in the header, unpadded; "padding_ms"
// counts its padding bits.
#include <chrono>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "dpx/dpx_io.h"
#include "dpx/dpx_layout.h"
#include "picture/decode.h"
#include "picture/padding.h"
#include "picture/transform.h"
#include "pixconv/pixconv.h"
#include "support/dpx_writer.h"

namespace {

const uint32_t width = 4096, height = 2160;

struct frame {
    dpx_writer file;
    DPX_HEADER header;
    DECODE_LAYOUT layout;
    std::vector<unsigned char> rgba;
};

void make_frame(frame* f, uint8_t descriptor, uint8_t bits, uint16_t packing, bool little, bool scanner)
{
    dpx_layout layout;
    layout.little = little;
    layout.width = width;
    layout.height = height;
    layout.descriptor = descriptor;
    layout.bit_depth = bits;
    layout.packing = packing;
    uint64_t line = 0;
    dpx_layout_line_bytes((uint64_t)width * dpx_layout_samples_per_pixel(descriptor), bits, packing, &line);
    std::vector<unsigned char> data(line * height);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (unsigned char)(i * 7);
    f->file = dpxw_image(layout, data);
    if (scanner)
        memcpy(f->file.bytes.data() + 160, "Lasergraphics Inc.", 18); // the Creator
    dpx_io_header_read(f->file.bytes.data(), f->file.bytes.size(), &f->header);
    char reason[DECODE_REASON_SIZE];
    if (!decode_layout(&f->header, 0, &f->layout, reason))
        abort();
    f->rgba.resize((size_t)width * height * 4);
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double best_pixconv(frame* f)
{
    double best = 1e9;
    for (int i = 0; i < 20; i++) {
        auto start = std::chrono::steady_clock::now();
        pixconv_execute(&f->header, f->rgba.data());
        benchmark::ClobberMemory();
        double s = seconds_since(start);
        if (s < best)
            best = s;
    }
    return best;
}

// threads: 0 as transform_picture chooses (every core), else that many.
void BM_picture(benchmark::State& state, int threads, uint8_t descriptor, uint8_t bits, uint16_t packing, bool little,
                bool scanner = false)
{
    frame f;
    make_frame(&f, descriptor, bits, packing, little, scanner);
    if (f.layout.unpadded != scanner)
        abort();
    double best = 1e9;
    const TRANSFORM_VIEW colour{TRANSFORM_COLOUR, 0};
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        uint64_t missing;
        if (threads)
            transform_picture_threads(&f.layout, f.file.bytes.data(), f.file.bytes.size(), colour, f.rgba.data(),
                                      &missing, threads);
        else
            transform_picture(&f.layout, f.file.bytes.data(), f.file.bytes.size(), colour, f.rgba.data(), &missing);
        benchmark::ClobberMemory();
        double s = seconds_since(start);
        if (s < best)
            best = s;
    }
    state.counters["best_ms"] = best * 1e3;
    if (pixconv_find(&f.header)) {
        double reference = best_pixconv(&f);
        state.counters["pixconv_ms"] = reference * 1e3;
        state.counters["vs_pixconv"] = best / reference;
    }
    if (bits == 10 && packing) {
        PADDING_COUNT count;
        auto start = std::chrono::steady_clock::now();
        padding_count(&f.layout, f.file.bytes.data(), f.file.bytes.size(), &count);
        state.counters["padding_ms"] = seconds_since(start) * 1e3;
    }
}

// The preview converter alone on the same bytes, for its spread over repetitions.
void BM_pixconv(benchmark::State& state, bool little)
{
    frame f;
    make_frame(&f, 50, 10, 1, little, false);
    for (auto _ : state) {
        pixconv_execute(&f.header, f.rgba.data());
        benchmark::ClobberMemory();
    }
}

} // namespace

#define PICTURE(name, ...)                                                                                   \
    BENCHMARK_CAPTURE(BM_picture, name, 0, __VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime();           \
    BENCHMARK_CAPTURE(BM_picture, name##_one_thread, 1, __VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()

PICTURE(rgb10_filled_le, 50, 10, 1, true);
BENCHMARK_CAPTURE(BM_pixconv, rgb10_filled_le, true)->Unit(benchmark::kMillisecond)->UseRealTime();
PICTURE(rgb10_filled_be, 50, 10, 1, false);
BENCHMARK_CAPTURE(BM_pixconv, rgb10_filled_be, false)->Unit(benchmark::kMillisecond)->UseRealTime();
PICTURE(rgb10_packed_le, 50, 10, 0, true);
PICTURE(rgb12_packed_be, 50, 12, 0, false);
PICTURE(cbycry10_filled_be, 100, 10, 1, false);
PICTURE(luma10_filled_be, 6, 10, 1, false);
PICTURE(luma10_unpadded_be, 6, 10, 1, false, true);
