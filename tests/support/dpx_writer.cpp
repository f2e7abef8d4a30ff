#include "dpx_writer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

dpx_writer dpxw_new(bool little, size_t size) {
    dpx_writer w{std::vector<unsigned char>(std::max<size_t>(size, 4)), little};
    memcpy(w.bytes.data(), little ? "XPDS" : "SDPX", 4);
    return w;
}

void dpxw_put(dpx_writer* w, size_t offset, uint32_t v, size_t width) {
    w->bytes.resize(std::max(w->bytes.size(), offset + width));
    for (size_t i = 0; i < width; i++) w->bytes[offset + i] = (unsigned char)(v >> 8 * (w->little ? i : width - 1 - i));
}

uint32_t dpxw_float(float v) { uint32_t bits; memcpy(&bits, &v, 4); return bits; }

static void dpxw_bytes(dpx_writer* w, size_t offset, const void* data, size_t n) {
    w->bytes.resize(std::max(w->bytes.size(), offset + n));
    std::copy_n((const unsigned char*)data, n, w->bytes.begin() + (long)offset);
}

dpx_writer dpxw_edit(dpx_writer w, std::initializer_list<uint32_t> edits) {
    const std::vector<uint32_t> e(edits); // begin() of an empty list may be null
    for (size_t i = 0; i + 2 < e.size(); i += 3) dpxw_put(&w, e[i], e[i + 1], e[i + 2]);
    return w;
}

dpx_writer dpxw_image(const dpx_layout& l, const std::vector<unsigned char>& data) {
    const uint32_t e0 = DPXW_ELEMENT0;
    dpx_writer w = dpxw_edit(dpxw_new(l.little, std::max<size_t>(l.data_offset, 2048)),
                             {DPXW_OFFSET_TO_IMAGE_DATA, l.data_offset, 4, DPXW_GENERIC_LENGTH, 1664, 4,
                              DPXW_INDUSTRY_LENGTH, 384, 4, DPXW_USER_LENGTH, l.user_length, 4,
                              DPXW_ELEMENT_COUNT, 1, 2, DPXW_PIXELS_PER_LINE, l.width, 4, DPXW_LINES, l.height, 4,
                              e0 + DPXW_EL_DESCRIPTOR, l.descriptor, 1, e0 + DPXW_EL_BIT_DEPTH, l.bit_depth, 1,
                              e0 + DPXW_EL_PACKING, l.packing, 2, e0 + DPXW_EL_OFFSET_TO_DATA, l.data_offset, 4});
    dpxw_bytes(&w, DPXW_VERSION, "V2.0", 4);
    dpxw_bytes(&w, l.data_offset, data.data(), data.size());
    dpxw_put(&w, DPXW_TOTAL_SIZE, (uint32_t)w.bytes.size(), 4);
    return w;
}

bool dpxw_save(const dpx_writer& w, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    return out.write((const char*)w.bytes.data(), (std::streamsize)w.bytes.size()).flush().good();
}

std::vector<unsigned char> dpxw_load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string dpxw_data_dir() { return getenv("TESSA_TEST_DATA") ? getenv("TESSA_TEST_DATA") : "tests/data"; }

std::vector<std::string> dpxw_peer_files() {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(dpxw_data_dir()))
        if (entry.path().extension() == ".dpx") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}
