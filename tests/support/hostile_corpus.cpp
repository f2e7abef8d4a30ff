#include "support/hostile_corpus.h"

#include "support/dpx_writer.h"

namespace {

// A readable file with its header edited by (offset, value, width) triples, cut to `size` bytes.
std::vector<unsigned char> edited(std::initializer_list<uint32_t> edits, size_t size = 0) {
    const dpx_writer readable = dpxw_image(dpx_layout(), std::vector<unsigned char>(32, 0x40));
    std::vector<unsigned char> bytes = dpxw_edit(readable, edits).bytes;
    return size ? std::vector<unsigned char>(bytes.begin(), bytes.begin() + (long)size) : bytes;
}

} // namespace

std::vector<hostile_file> hostile_corpus() {
    const uint32_t element0_offset = DPXW_ELEMENT0 + DPXW_EL_OFFSET_TO_DATA;
    std::vector<unsigned char> magic = edited({});
    const std::vector<unsigned char> cut = dpxw_image({false, 64, 64}, std::vector<unsigned char>(16384, 0x80)).bytes;
    magic[3] = 'Y';
    return {
        {"empty.dpx", {}, false, "too short"},
        {"three-bytes.dpx", {'S', 'D', 'P'}, false, "too short"},
        {"short-2047.dpx", edited({}, 2047), false, "too short for a DPX header (2047 bytes, 2048 needed)"},
        {"user-header-cut.dpx", edited({DPXW_USER_LENGTH, 64, 4}, 2079), false, "(2079 bytes, 2080 needed)"},
        {"user-header-none.dpx", edited({DPXW_USER_LENGTH, 64, 4}, 2048), false, "(2048 bytes, 2080 needed)"},
        // Shorter than 2048 bytes: loaded only where the header says the industry headers are absent or partial.
        {"short-1663.dpx", edited({DPXW_OFFSET_TO_IMAGE_DATA, 1664, 4, DPXW_INDUSTRY_LENGTH, 0, 4}, 1663), false,
         "too short for a DPX header (1663 bytes, 1664 needed)"},
        {"short-industry.dpx", edited({DPXW_OFFSET_TO_IMAGE_DATA, 1664, 4}, 1856), false, "(1856 bytes, 2048 needed)"},
        {"short-user.dpx", edited({DPXW_OFFSET_TO_IMAGE_DATA, 1664, 4, DPXW_INDUSTRY_LENGTH, 0, 4, DPXW_USER_LENGTH, 32, 4},
                                  1856), false, "(1856 bytes, 2048 needed)"},
        {"bad-magic.dpx", magic, false, "not a DPX file (no SDPX or XPDS magic number)"},
        {"size-ffffffff.dpx", edited({DPXW_PIXELS_PER_LINE, ~0u, 4, DPXW_LINES, ~0u, 4}), true, "does not fit"},
        {"size-zero.dpx", edited({DPXW_PIXELS_PER_LINE, 0, 4, DPXW_LINES, 0, 4}), true, "has no pixels"},
        {"width-zero.dpx", edited({DPXW_PIXELS_PER_LINE, 0, 4, DPXW_LINES, 2, 4}), true, "has no pixels"},
        {"height-zero.dpx", edited({DPXW_PIXELS_PER_LINE, 4, 4, DPXW_LINES, 0, 4}), true, "has no pixels"},
        {"width-2p31.dpx", edited({DPXW_PIXELS_PER_LINE, 0x80000000u, 4, DPXW_LINES, 2, 4}), true, "does not fit"},
        {"width-70000.dpx", edited({DPXW_PIXELS_PER_LINE, 70000, 4, DPXW_LINES, 2, 4}), true, "larger than 16384"},
        {"offset-past-end.dpx", edited({DPXW_OFFSET_TO_IMAGE_DATA, 1000000, 4, element0_offset, 1000000, 4}), true, ""},
        {"offset-ffffffff.dpx", edited({DPXW_OFFSET_TO_IMAGE_DATA, ~0u, 4, element0_offset, ~0u, 4}), true, ""},
        {"user-length-huge.dpx", edited({DPXW_USER_LENGTH, 0xFFFFFFF0u, 4}), true, "missing from the file"},
        {"cut-10bit.dpx", std::vector<unsigned char>(cut.begin(), cut.begin() + 8192 + 64 * 32 * 4 + 6), true, ""},
        {"elements-ffff.dpx", edited({DPXW_ELEMENT_COUNT, 0xFFFF, 2}), true,
         "Data structure for image element 8 (in use)"},
    };
}

bool hostile_corpus_write(const std::string& dir) {
    for (const hostile_file& f : hostile_corpus())
        if (!dpxw_save(dpx_writer{f.bytes, false}, dir + "/" + f.name)) return false;
    return true;
}
