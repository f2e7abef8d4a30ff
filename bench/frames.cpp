#include "frames.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "support/dpx_writer.h"

namespace {

unsigned bcd(unsigned v)
{
    return (v / 10) << 4 | v % 10;
}

} // namespace

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
