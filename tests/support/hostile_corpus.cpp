#include "support/hostile_corpus.h"

#include "support/dpx_writer.h"

namespace {

dpx_writer header_only()
{
    return dpxw_image(dpx_layout(), std::vector<unsigned char>(32, 0x40));
}

dpx_writer sized(uint32_t width, uint32_t height)
{
    dpx_writer w = header_only();
    dpxw_u32(&w, DPXW_PIXELS_PER_LINE, width);
    dpxw_u32(&w, DPXW_LINES, height);
    return w;
}

std::vector<unsigned char> cut(const std::vector<unsigned char>& bytes, size_t size)
{
    return std::vector<unsigned char>(bytes.begin(), bytes.begin() + (long)size);
}

} // namespace

std::vector<hostile_file> hostile_corpus()
{
    std::vector<unsigned char> header = header_only().bytes;
    std::vector<hostile_file> list;
    list.push_back({"empty.dpx", {}, false, "too short"});
    list.push_back({"three-bytes.dpx", {'S', 'D', 'P'}, false, "too short"});
    list.push_back({"short-2047.dpx", cut(header, 2047), false, "too short"});

    dpx_writer user_cut = header_only();
    dpxw_u32(&user_cut, DPXW_USER_LENGTH, 64);
    list.push_back({"user-header-cut.dpx", cut(user_cut.bytes, 2079), false, "too short"});

    std::vector<unsigned char> magic = header;
    magic[3] = 'Y';
    list.push_back({"bad-magic.dpx", magic, false, "not a DPX file"});

    list.push_back({"size-ffffffff.dpx", sized(0xFFFFFFFF, 0xFFFFFFFF).bytes, true, "does not fit"});
    list.push_back({"size-zero.dpx", sized(0, 0).bytes, true, "has no pixels"});
    list.push_back({"width-zero.dpx", sized(0, 2).bytes, true, "has no pixels"});
    list.push_back({"height-zero.dpx", sized(4, 0).bytes, true, "has no pixels"});
    list.push_back({"width-2p31.dpx", sized(0x80000000u, 2).bytes, true, "does not fit"});
    list.push_back({"width-70000.dpx", sized(70000, 2).bytes, true, "larger than 16384"});

    for (uint32_t offset : {1000000u, 0xFFFFFFFFu}) {
        dpx_writer w = header_only();
        dpxw_u32(&w, DPXW_OFFSET_TO_IMAGE_DATA, offset);
        dpxw_u32(&w, DPXW_ELEMENT0 + DPXW_EL_OFFSET_TO_DATA, offset);
        list.push_back({offset == 0xFFFFFFFFu ? "offset-ffffffff.dpx" : "offset-past-end.dpx", w.bytes, true, ""});
    }

    dpx_writer user_long = header_only();
    dpxw_u32(&user_long, DPXW_USER_LENGTH, 0xFFFFFFF0u);
    list.push_back({"user-length-huge.dpx", user_long.bytes, true, "missing from the file"});

    dpx_layout layout;
    layout.width = 64;
    layout.height = 64;
    dpx_writer full = dpxw_image(layout, std::vector<unsigned char>(64 * 64 * 4, 0x80));
    list.push_back({"cut-10bit.dpx", cut(full.bytes, 8192 + 64 * 32 * 4 + 6), true, ""});

    dpx_writer elements = header_only();
    dpxw_u16(&elements, DPXW_ELEMENT_COUNT, 0xFFFF);
    list.push_back({"elements-ffff.dpx", elements.bytes, true, "Data structure for image element 8 (in use)"});
    return list;
}

bool hostile_corpus_write(const std::string& dir)
{
    for (const hostile_file& f : hostile_corpus()) {
        dpx_writer w{f.bytes, false};
        if (!dpxw_save(w, dir + "/" + f.name))
            return false;
    }
    return true;
}
