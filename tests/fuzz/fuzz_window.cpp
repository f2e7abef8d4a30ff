// One frame of the File window over any file image, in a headless GUI.
#include <cstdint>
#include <vector>

#include <imgui.h>

#include "dpx/dpx_io.h"
#include "support/headless_gui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> image(data, data + size);
    DPX_HEADER h;
    if (dpx_io_header_read(image.data(), image.size(), &h) != DPX_IO_OK)
        return 0;
    static const bool started = (headless_gui_begin(), true); // one context for the whole run
    (void)started;
    headless_gui gui;
    if (headless_gui_load(&gui, image, 1 + (int)(size % 120)))
        headless_gui_frame(&gui);
    headless_gui_unload(&gui);
    return 0;
}
