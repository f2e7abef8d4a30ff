#include "pixconv/pixconv_read.h"

#include "pixconv/pixconv.h"

namespace {

// Bands up to this many are converted on the caller alone: a thread would cost more than it saves.
const int bands_for_helper = 4;

// Takes bands until none are left. A band's streamed stores are fenced before
// it counts as done, on the thread that made them.
void convert_bands(PIXCONV_READ* job, unsigned char* band)
{
    for (;;) {
        int first = job->next_line.fetch_add(job->band_lines, std::memory_order_relaxed);
        if (first >= job->height)
            break;
        int count = job->height - first < job->band_lines ? job->height - first : job->band_lines;
        size_t got = job->line_bytes
                         ? job->read(job->user, (uint64_t)first * job->line_bytes, band, (size_t)count * job->line_bytes)
                         : 0;
        pixconv_execute_lines(job->header, band, got, first, count, job->rgba);
        pixconv_stream_fence();
        std::lock_guard<std::mutex> hold(job->lock);
        job->lines_done += count;
        if (job->lines_done == job->height)
            job->converted.notify_all();
    }
}

} // namespace

void pixconv_read_start(PIXCONV_READ* job, const DPX_HEADER* header, pixconv_read_func read, void* user,
                        unsigned char* rgba)
{
    pixconv_read_end(job);
    job->header = header;
    job->read = read;
    job->user = user;
    job->rgba = rgba;
    size_t bytes = 0;
    job->height = pixconv_rgba_size(header, &bytes) ? (int)header->image_information.lines_per_image_element : 0;
    job->next_line.store(0, std::memory_order_relaxed);
    job->lines_done = 0;
    // At most 16384 x 6 bytes a line (DPX_MAX_SIDE), so a band always holds one;
    // without a converter nothing is read, every line is the fallback colour.
    job->line_bytes = pixconv_line_bytes(header);
    job->band_lines = job->line_bytes ? (int)(PIXCONV_BAND_BYTES / job->line_bytes) : job->height;
    if (job->band_lines < 1)
        job->band_lines = 1;
    if (job->height > bands_for_helper * job->band_lines)
        job->helper = std::thread(convert_bands, job, job->band[1]);
}

void pixconv_read_finish(PIXCONV_READ* job)
{
    convert_bands(job, job->band[0]);
    std::unique_lock<std::mutex> hold(job->lock);
    job->converted.wait(hold, [job] { return job->lines_done >= job->height; });
}

void pixconv_read_end(PIXCONV_READ* job)
{
    if (job->helper.joinable())
        job->helper.join();
}
