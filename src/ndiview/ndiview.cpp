#include "ndiview/ndiview.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace {

const char* const product_description =
    "<ndi_product long_name=\"NDILib Send Example.\"              short_name=\"NDILib Send\"              "
    "manufacturer=\"CoolCo, inc.\"              version=\"1.000.000\"              session=\"default\"     "
    "         model_name=\"S1\"              serial=\"ABCDEFG\"/>";

const char* const library_names[] = {"libndi.so.6", "libndi.so.5", "libndi.so.4"};

std::string ndiview_exe_dir()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "";
    path[n] = '\0';
    char* slash = strrchr(path, '/');
    if (!slash)
        return "";
    *slash = '\0';
    return path;
}

template <typename F> bool ndiview_symbol(void* library, const char* name, F* out)
{
    *out = (F)dlsym(library, name);
    return *out != nullptr;
}

// Opens one candidate and takes it only when it has all six functions; one
// that lacks any is closed again so that the search can go on.
bool ndiview_try(const std::string& path, NDIVIEW_RUNTIME* r)
{
    r->library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!r->library)
        return false;
    if (ndiview_symbol(r->library, "NDIlib_initialize", &r->initialize) &&
        ndiview_symbol(r->library, "NDIlib_send_create", &r->send_create) &&
        ndiview_symbol(r->library, "NDIlib_send_add_connection_metadata", &r->send_add_connection_metadata) &&
        ndiview_symbol(r->library, "NDIlib_send_send_video", &r->send_send_video) &&
        ndiview_symbol(r->library, "NDIlib_send_destroy", &r->send_destroy) &&
        ndiview_symbol(r->library, "NDIlib_destroy", &r->destroy))
        return true;
    dlclose(r->library);
    *r = NDIVIEW_RUNTIME{};
    return false;
}

// Every name in each place in turn: next to the program, the runtime's own
// directories, then the system's search path.
bool ndiview_load(NDIVIEW_RUNTIME* r)
{
    const char* v6 = getenv("NDI_RUNTIME_DIR_V6");
    const char* v5 = getenv("NDI_RUNTIME_DIR_V5");
    const std::string dirs[] = {ndiview_exe_dir(), v6 ? v6 : "", v5 ? v5 : ""};
    for (const std::string& dir : dirs) {
        if (dir.empty())
            continue;
        for (const char* name : library_names)
            if (ndiview_try(dir + "/" + name, r))
                return true;
    }
    for (const char* name : library_names)
        if (ndiview_try(name, r))
            return true;
    return false;
}

int ndiview_unavailable(NDIVIEW* v, NDIVIEW_STATUS status)
{
    v->ready = 0;
    v->status = status;
    fprintf(stderr, "NDI output unavailable: %s\n",
            status == NDIVIEW_RUNTIME_NOT_FOUND
                ? "runtime not found (libndi.so.6, .5 or .4 with the six NDIlib functions)"
                : "the runtime failed to start");
    return 0;
}

} // namespace

int ndiview_open(NDIVIEW** ndiview)
{
    NDIVIEW* v = (NDIVIEW*)calloc(1, sizeof(NDIVIEW));
    *ndiview = v;
    if (!v) {
        fprintf(stderr, "NDI output unavailable: out of memory\n");
        return 0;
    }
    if (!ndiview_load(&v->runtime))
        return ndiview_unavailable(v, NDIVIEW_RUNTIME_NOT_FOUND);
    if (!v->runtime.initialize())
        return ndiview_unavailable(v, NDIVIEW_NOT_STARTED);

    v->send_settings.p_ndi_name = "Tessaview";
    v->send_settings.p_groups = nullptr;
    v->send_settings.clock_video = true;
    v->send_settings.clock_audio = false;
    v->send_instance = v->runtime.send_create(&v->send_settings);
    if (!v->send_instance)
        return ndiview_unavailable(v, NDIVIEW_NOT_STARTED);

    snprintf(v->metadata_text, sizeof v->metadata_text, "%s", product_description);
    v->metadata_frame.length = (int)strlen(v->metadata_text);
    v->metadata_frame.timecode = NDIlib_send_timecode_synthesize;
    v->metadata_frame.p_data = v->metadata_text;
    v->runtime.send_add_connection_metadata(v->send_instance, &v->metadata_frame);
    v->ready = 1;
    v->status = NDIVIEW_READY;
    return 0;
}

int ndiview_transmit(NDIVIEW* ndiview, unsigned char* pixels, int width, int height)
{
    return ndiview_transmit_at(ndiview, pixels, width, height, 30000, 1001);
}

int ndiview_transmit_at(NDIVIEW* ndiview, unsigned char* pixels, int width, int height, int rate_n, int rate_d)
{
    if (!ndiview || !ndiview->ready)
        return 0;
    NDIlib_video_frame_t frame;
    frame.xres = width;
    frame.yres = height;
    frame.FourCC = NDIlib_FourCC_type_RGBA;
    frame.frame_rate_N = rate_n;
    frame.frame_rate_D = rate_d;
    frame.picture_aspect_ratio = (float)width / (float)height;
    frame.frame_format_type = NDIlib_frame_format_type_interleaved;
    frame.timecode = NDIlib_send_timecode_synthesize;
    frame.p_data = pixels;
    frame.line_stride_in_bytes = width * 4;
    ndiview->runtime.send_send_video(ndiview->send_instance, &frame);
    return 0;
}

int ndiview_close(NDIVIEW* ndiview)
{
    if (!ndiview)
        return 0;
    if (ndiview->ready)
        ndiview->runtime.send_destroy(ndiview->send_instance);
    // A runtime that loaded is shut down even when it failed to start.
    if (ndiview->runtime.library) {
        ndiview->runtime.destroy();
        dlclose(ndiview->runtime.library);
    }
    free(ndiview);
    return 0;
}

const char* ndiview_status_text(const NDIVIEW* ndiview)
{
    if (!ndiview)
        return "NDI output unavailable";
    switch (ndiview->status) {
    case NDIVIEW_READY:
        return nullptr;
    case NDIVIEW_RUNTIME_NOT_FOUND:
        return "NDI runtime not found";
    case NDIVIEW_NOT_STARTED:
        return "NDI runtime not started";
    }
    return nullptr;
}
