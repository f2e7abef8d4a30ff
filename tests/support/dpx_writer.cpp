#include "dpx_writer.h"

#include <cstdio>
#include <cstring>

dpx_writer dpxw_new(bool little, size_t size)
{
    dpx_writer w{std::vector<unsigned char>(size < 4 ? 4 : size, 0), little};
    memcpy(w.bytes.data(), little ? "XPDS" : "SDPX", 4);
    return w;
}

static void put(dpx_writer* w, size_t offset, uint32_t v, size_t n)
{
    if (w->bytes.size() < offset + n)
        w->bytes.resize(offset + n, 0);
    for (size_t i = 0; i < n; i++) {
        size_t shift = w->little ? 8 * i : 8 * (n - 1 - i);
        w->bytes[offset + i] = (unsigned char)(v >> shift);
    }
}

void dpxw_u8(dpx_writer* w, size_t offset, uint8_t v) { put(w, offset, v, 1); }
void dpxw_u16(dpx_writer* w, size_t offset, uint16_t v) { put(w, offset, v, 2); }
void dpxw_u32(dpx_writer* w, size_t offset, uint32_t v) { put(w, offset, v, 4); }

void dpxw_f32(dpx_writer* w, size_t offset, float v)
{
    uint32_t bits;
    memcpy(&bits, &v, 4);
    put(w, offset, bits, 4);
}

void dpxw_bytes(dpx_writer* w, size_t offset, const void* data, size_t n)
{
    if (w->bytes.size() < offset + n)
        w->bytes.resize(offset + n, 0);
    // No bytes may come with a null pointer, which memcpy must not be given.
    if (n > 0)
        memcpy(w->bytes.data() + offset, data, n);
}

dpx_writer dpxw_image(const dpx_layout& layout, const std::vector<unsigned char>& data)
{
    dpx_writer w = dpxw_new(layout.little, layout.data_offset > 2048 ? layout.data_offset : 2048);
    dpxw_bytes(&w, DPXW_VERSION, "V2.0", 4);
    dpxw_u32(&w, DPXW_OFFSET_TO_IMAGE_DATA, layout.data_offset);
    dpxw_u32(&w, DPXW_GENERIC_LENGTH, 1664);
    dpxw_u32(&w, DPXW_INDUSTRY_LENGTH, 384);
    dpxw_u32(&w, DPXW_USER_LENGTH, layout.user_length);
    dpxw_u16(&w, DPXW_ELEMENT_COUNT, 1);
    dpxw_u32(&w, DPXW_PIXELS_PER_LINE, layout.width);
    dpxw_u32(&w, DPXW_LINES, layout.height);
    dpxw_u8(&w, DPXW_ELEMENT0 + DPXW_EL_DESCRIPTOR, layout.descriptor);
    dpxw_u8(&w, DPXW_ELEMENT0 + DPXW_EL_BIT_DEPTH, layout.bit_depth);
    dpxw_u16(&w, DPXW_ELEMENT0 + DPXW_EL_PACKING, layout.packing);
    dpxw_u32(&w, DPXW_ELEMENT0 + DPXW_EL_OFFSET_TO_DATA, layout.data_offset);
    if (!data.empty())
        dpxw_bytes(&w, layout.data_offset, data.data(), data.size());
    dpxw_u32(&w, DPXW_TOTAL_SIZE, (uint32_t)w.bytes.size());
    return w;
}

bool dpxw_save(const dpx_writer& w, const std::string& path)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    // An empty vector's data() may be null, which fwrite must not be given
    // even for no bytes.
    bool ok = w.bytes.empty() || fwrite(w.bytes.data(), 1, w.bytes.size(), f) == w.bytes.size();
    return fclose(f) == 0 && ok;
}

std::vector<unsigned char> dpxw_load(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    unsigned char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    return bytes;
}
