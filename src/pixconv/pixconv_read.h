// Conversion of a picture whose bytes are read a band of lines at a time (from
// a file, say) on the calling thread and one helper: the source is never held
// whole, and a band is converted while it is still in the cache.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "dpx/dpx_header.h"

// Copies up to `size` bytes of element 0's data, from byte `at` of that data,
// into `into` and returns how many it copied: fewer where the data ends or a
// read failed (the source keeps why). Called from two threads at once.
typedef size_t (*pixconv_read_func)(void* user, uint64_t at, unsigned char* into, size_t size);

// A band is a few lines of a 4K picture: it stays in the cache between the
// read and the conversion, and is never less than a line of the largest one.
enum { PIXCONV_BAND_BYTES = 256 * 1024 };

struct PIXCONV_READ {
    const DPX_HEADER* header;
    pixconv_read_func read;
    void* user;
    unsigned char* rgba;
    int height; // lines to convert: none when the picture is too large
    size_t line_bytes;
    int band_lines;
    std::atomic<int> next_line; // the first line no thread has taken yet
    std::mutex lock;
    std::condition_variable converted;
    int lines_done; // under `lock`
    // Joined by the next start or by pixconv_read_end, so that the caller
    // never waits for a helper that has not even begun.
    std::thread helper;
    unsigned char band[2][PIXCONV_BAND_BYTES]; // the caller's and the helper's
};

// Starts converting the header's picture (pixconv_rgba_size bytes into
// `rgba`, which must fit) on a helper thread while the caller does something
// else; a picture of a few bands is left to pixconv_read_finish alone.
void pixconv_read_start(PIXCONV_READ* job, const DPX_HEADER* header, pixconv_read_func read, void* user,
                        unsigned char* rgba);
// Converts the bands left on the calling thread as well and waits for the
// band the helper may be at: then `rgba` holds the bytes pixconv_execute
// would have written from the same source bytes.
void pixconv_read_finish(PIXCONV_READ* job);
// Waits for the last helper to end; before the job is destroyed.
void pixconv_read_end(PIXCONV_READ* job);
