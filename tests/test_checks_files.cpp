// Files from elsewhere: peer files written by other programs, against what
// their bytes hold, and the hostile corpus, which gives findings and no crash.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/check_craft.h"
#include "support/hostile_corpus.h"

namespace {

std::string data_path(const std::string& name)
{
    const char* dir = getenv("TESSA_TEST_DATA");
    return std::string(dir ? dir : "tests/data") + "/" + name;
}

} // namespace

namespace {

struct peer_case {
    const char* name;
    std::vector<std::string> expect;
    std::string message;
    std::string field;
};

// FFmpeg writes a 1664-byte header and its pixels from there: the film and
// television fields are pixel bytes (and not checked). GraphicsMagick counts
// the size of 10-bit data without the word at the end of each line;
// ImageMagick declares 9728 bytes whatever the depth. OpenImageIO writes
// 32-bit floats with packing 1.
const char* const IN_HEADER = "element 1 starts at byte 1664, inside the 2048-byte header: the film and television "
                              "fields (bytes 1664 to 2047) are its pixel bytes";

const std::vector<peer_case> peer_cases = {
    {"ffmpeg-abgr.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"ffmpeg-gbrp10be.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"ffmpeg-gray16be.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"ffmpeg-rgb10-le.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"ffmpeg-rgb12-le.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"ffmpeg-rgb16-be.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"ffmpeg-rgb16-le.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"ffmpeg-rgb8-le.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"ffmpeg-rgba.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"ffmpeg-rgba64le.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"ffmpeg-rgba8-le.dpx", {"warning image-offset-in-header"}, IN_HEADER, CRAFT_E1_OFFSET},
    {"gm-gray10.dpx",
     {"warning file-size-mismatch"},
     "total_image_file_size is 8876 but the file holds 8896 bytes",
     "file_information.total_image_file_size"},
    {"gm-rgb10-packed.dpx", {}, "", ""},
    {"gm-ycc422-10.dpx",
     {"warning file-size-mismatch"},
     "total_image_file_size is 9560 but the file holds 9600 bytes",
     ""},
    {"graphicsmagick-rgb10-be.dpx", {}, "", ""},
    {"graphicsmagick-rgb8-be.dpx", {}, "", ""},
    {"imagemagick-rgb10-be.dpx",
     {"warning file-size-mismatch"},
     "total_image_file_size is 9728 but the file holds 10240 bytes",
     ""},
    {"imagemagick-rgb12-be.dpx",
     {"warning file-size-mismatch"},
     "total_image_file_size is 9728 but the file holds 11264 bytes",
     ""},
    {"imagemagick-rgb16-be.dpx",
     {"warning file-size-mismatch"},
     "total_image_file_size is 9728 but the file holds 11264 bytes",
     ""},
    {"imagemagick-rgb8-be.dpx", {}, "", ""},
    {"imagemagick-rgba8-be.dpx", {}, "", ""},
    {"odd37-gm-gray10.dpx",
     {"warning file-size-mismatch"},
     "total_image_file_size is 9132 but the file holds 9180 bytes",
     ""},
    {"odd37-oiio-rgb10-packed.dpx", {}, "", ""},
    {"oiio-luma10.dpx", {}, "", ""},
    {"oiio-rgb-float.dpx",
     {"warning packing"},
     "element 1 has packing 1 with 32-bit samples",
     "image_information.image_element[0].packing"},
    {"oiio-rgb10-methodB.dpx", {}, "", ""},
    {"oiio-rgb10-orient-bottomup.dpx", {}, "", ""},
    {"oiio-rgb12-default.dpx", {}, "", ""},
    {"oiio-rgba16.dpx", {}, "", ""},
    {"openimageio-rgb10-le.dpx", {}, "", ""},
    {"openimageio-rgb12-le.dpx", {}, "", ""},
    {"openimageio-rgb16-le.dpx", {}, "", ""},
    {"openimageio-rgb8-le.dpx", {}, "", ""},
};

} // namespace

TEST(Checks, PeerFilesGiveTheFindingsTheirBytesHold)
{
    for (const peer_case& p : peer_cases) {
        SCOPED_TRACE(p.name);
        std::vector<unsigned char> bytes = dpxw_load(data_path(p.name));
        ASSERT_GT(bytes.size(), 2048u);
        craft_expect_findings(craft_findings(bytes, bytes.size()), p.expect, p.message, p.field);
    }
}

namespace {

struct hostile_case {
    const char* name;
    std::vector<std::string> expect;
    std::string message;
};

// The corpus's files are the default 8224-byte file with one thing broken.
const std::vector<hostile_case> hostile_cases = {
    {"size-ffffffff.dpx",
     {"error image-dimensions", "error image-dimensions", "error image-data-short"},
     "element 1 needs more than 18446744073709551614 bytes"},
    {"size-zero.dpx", {"error image-dimensions", "error image-dimensions"}, "lines_per_image_element is 0"},
    {"width-zero.dpx", {"error image-dimensions"}, "pixels_per_line is 0"},
    {"height-zero.dpx", {"error image-dimensions"}, "lines_per_image_element is 0"},
    // 2^31 x 3 samples in filled words: 2^31 words a line, two lines.
    {"width-2p31.dpx", {"error image-data-short"}, "element 1 needs 17179869184 bytes from byte 8192"},
    {"width-70000.dpx", {"error image-data-short"}, "element 1 needs 560000 bytes"},
    {"offset-past-end.dpx",
     {"error image-offset-past-end"},
     "element 1 starts at byte 1000000 but the file holds 8224 bytes"},
    {"offset-ffffffff.dpx", {"error image-offset-past-end"}, "starts at byte 4294967295"},
    {"user-length-huge.dpx",
     {"error user-data-past-end", "warning image-offset-in-header", "warning header-length"},
     "the user-defined header of 4294967280 bytes runs from byte 2048 to byte 4294969328"},
    // 64 x 64 filled: 256 bytes a line; cut 6 bytes into line 33.
    {"cut-10bit.dpx",
     {"error image-data-short", "warning file-size-mismatch"},
     "element 1 needs 16384 bytes from byte 8192 but the file has 8198 bytes left"},
    // Elements 2 to 8 are all zeros.
    {"elements-ffff.dpx",
     {"error element-count", "error image-offset-zero", "error image-offset-zero", "error image-offset-zero",
      "error image-offset-zero", "error image-offset-zero", "error image-offset-zero", "error image-offset-zero",
      "error bit-depth", "error bit-depth", "error bit-depth", "error bit-depth", "error bit-depth", "error bit-depth",
      "error bit-depth"},
     "number_of_image_elements is undefined (0xFFFF)"},
};

} // namespace

TEST(Checks, HostileFilesThatLoadGiveTheirFindings)
{
    size_t matched = 0;
    for (const hostile_file& f : hostile_corpus()) {
        if (!f.loads)
            continue;
        SCOPED_TRACE(f.name);
        std::vector<CHECK_FINDING> got = craft_findings(f.bytes, f.bytes.size());
        EXPECT_FALSE(got.empty());
        for (const hostile_case& h : hostile_cases)
            if (f.name == h.name) {
                craft_expect_findings(got, h.expect, h.message, "");
                matched++;
            }
    }
    EXPECT_EQ(hostile_cases.size(), matched);
}
