// A stand-in for the vendor's NDI runtime: exports the six functions that
// Tessaview resolves and writes one line per call, with its arguments, to the
// file named by NDI_STANDIN_RECORD. NDI_STANDIN_FAIL=initialize or =create
// makes that call fail. Built with NDI_STANDIN_PARTIAL it lacks NDIlib_destroy,
// like a runtime of the wrong kind.
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ndiview/ndi_sdk.h"

namespace {

int instance_token;

bool failing(const char* call)
{
    const char* fail = getenv("NDI_STANDIN_FAIL");
    return fail && strcmp(fail, call) == 0;
}

void record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void record(const char* format, ...)
{
    const char* path = getenv("NDI_STANDIN_RECORD");
    if (!path)
        return;
    FILE* f = fopen(path, "a");
    if (!f)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(f, format, args);
    va_end(args);
    fputc('\n', f);
    fclose(f);
}

} // namespace

extern "C" {

bool NDIlib_initialize(void)
{
    record("initialize");
    return !failing("initialize");
}

NDIlib_send_instance_t NDIlib_send_create(const NDIlib_send_create_t* s)
{
    record("send_create name=%s groups=%s clock_video=%d clock_audio=%d", s->p_ndi_name,
           s->p_groups ? s->p_groups : "(null)", (int)s->clock_video, (int)s->clock_audio);
    return failing("create") ? nullptr : &instance_token;
}

void NDIlib_send_add_connection_metadata(NDIlib_send_instance_t instance, const NDIlib_metadata_frame_t* m)
{
    record("add_connection_metadata instance=%d length=%d timecode=%" PRId64 " data=%.*s",
           instance == &instance_token, m->length, m->timecode, m->length, m->p_data);
}

void NDIlib_send_send_video(NDIlib_send_instance_t instance, const NDIlib_video_frame_t* v)
{
    // FNV-1a over every byte of the picture.
    uint64_t hash = 0xcbf29ce484222325ull;
    size_t bytes = (size_t)v->yres * (size_t)v->line_stride_in_bytes;
    for (size_t i = 0; i < bytes; i++)
        hash = (hash ^ v->p_data[i]) * 0x100000001b3ull;
    record("send_video instance=%d xres=%d yres=%d fourcc=0x%08X rate=%d/%d aspect=%.7f format=%d "
           "timecode=%" PRId64 " stride=%d data=%p checksum=%016" PRIx64,
           instance == &instance_token, v->xres, v->yres, (unsigned)v->FourCC, v->frame_rate_N, v->frame_rate_D,
           (double)v->picture_aspect_ratio, (int)v->frame_format_type, v->timecode, v->line_stride_in_bytes,
           (void*)v->p_data, hash);
}

void NDIlib_send_destroy(NDIlib_send_instance_t instance)
{
    record("send_destroy instance=%d", instance == &instance_token);
}

#ifndef NDI_STANDIN_PARTIAL
void NDIlib_destroy(void)
{
    record("destroy");
}
#endif
}
