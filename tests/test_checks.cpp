// The consistency checks: files crafted from one consistent base, each rule
// with a case that triggers it and a near miss, in both byte orders; the peer
// files and the hostile corpus; the order and the summary. Expected findings
// are worked out from the bytes and the rule.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "checks/checks.h"
#include "dpx/dpx_io.h"
#include "support/dpx_writer.h"
#include "support/hostile_corpus.h"

namespace {

const uint32_t U = 0xFFFFFFFF; // undefined

// Element 1's fields; element n + 1's lie n * EL further on.
enum : size_t {
    OFF = DPXW_OFFSET_TO_IMAGE_DATA, VER = DPXW_VERSION, TOTAL = DPXW_TOTAL_SIZE, GEN = DPXW_GENERIC_LENGTH,
    IND = DPXW_INDUSTRY_LENGTH, USER = DPXW_USER_LENGTH, KEY = 660, ORIENT = DPXW_ORIENTATION, COUNT = DPXW_ELEMENT_COUNT,
    WIDTH = DPXW_PIXELS_PER_LINE, LINES = DPXW_LINES, EL = DPXW_ELEMENT_SIZE, LOW = DPXW_ELEMENT0 + 4,
    HIGH = DPXW_ELEMENT0 + 12, DESC = DPXW_ELEMENT0 + DPXW_EL_DESCRIPTOR, BITS = DPXW_ELEMENT0 + DPXW_EL_BIT_DEPTH,
    PACK = DPXW_ELEMENT0 + DPXW_EL_PACKING, DATA = DPXW_ELEMENT0 + DPXW_EL_OFFSET_TO_DATA, EOL = DPXW_ELEMENT0 + 32,
    EOI = DPXW_ELEMENT0 + 36, FILM = 1724, TC = DPXW_SMPTE_TIME_CODE, TV = DPXW_TEMPORAL_RATE,
};

struct edit { size_t at; uint32_t v; int width = 4; }; // width in bytes, written in the file's byte order
uint32_t (*const f)(float) = dpxw_float;

// "E id, W id x2, N id": severity and id of each finding, repeats counted.
std::string kinds(const std::vector<CHECK_FINDING>& got)
{
    std::string out;
    for (size_t i = 0, n = 1; i < got.size(); i += n, n = 1) {
        while (i + n < got.size() && got[i + n].severity == got[i].severity && !strcmp(got[i + n].id, got[i].id))
            n++;
        out += (out.empty() ? "" : ", ") + std::string(1, "EWN"[got[i].severity]) + " " + got[i].id;
        out += n > 1 ? " x" + std::to_string(n) : "";
    }
    return out;
}

const std::regex bar(" *\\| *"); // between the pieces of a row's messages and fields
std::vector<std::string> pieces(const std::string& s) { return {std::sregex_token_iterator(s.begin(), s.end(), bar, -1), {}}; }

// Every field a finding names is a member of the header.
const std::regex member("file_information\\.(total_image_file_size|offset_to_image_data|version|encryption_key|(generic_"
                        "section|industry_specific|user_defined)_header_length)|image_information\\.(number_of_image_"
                        "elements|pixels_per_line|lines_per_image_element|image_orientation|image_element\\[[0-7]\\]\\.("
                        "descriptor|bit_depth|packing|offset_to_data|reference_(low|high)_data_code_value|end_of_(line|"
                        "image)_padding))|television_information\\.(smpte_time_code|temporal_sampling_rate)|motion_"
                        "picture_film_information\\.frame_rate_of_original");

// Exactly the findings `want`, in order; each " | " piece of `messages` in a
// message whose fields end with the same piece of `fields` (when given).
void expect_findings(const std::vector<unsigned char>& bytes, const std::string& want, const char* messages, const char* fields)
{
    DPX_HEADER h;
    ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(bytes.data(), bytes.size(), &h));
    std::vector<CHECK_FINDING> got = checks_run(&h, bytes.size());
    EXPECT_EQ(want, kinds(got));
    for (const CHECK_FINDING& g : got) {
        EXPECT_TRUE(!g.message.empty() && g.message.find('\n') == g.message.npos && !g.fields.empty()) << g.id;
        for (const char* path : g.fields)
            EXPECT_TRUE(std::regex_match(path, member)) << path;
    }
    std::vector<std::string> texts = pieces(messages), names = pieces(fields);
    for (size_t i = 0; i < texts.size() && !texts[i].empty(); i++) {
        auto hit = std::find_if(got.begin(), got.end(), [&](auto& g) { return g.message.find(texts[i]) != g.message.npos; });
        ASSERT_NE(got.end(), hit) << "no message with: " << texts[i];
        auto ends = [&](std::string p) { return p.size() >= names[i].size() && !p.compare(p.size() - names[i].size(), p.npos, names[i]); };
        EXPECT_TRUE(i >= names.size() || std::any_of(hit->fields.begin(), hit->fields.end(), ends)) << hit->message << " lacks " << names[i];
    }
}

// The base: 4 x 2 RGB, 10-bit filled (16 bytes a line), data at 8192, 8224
// bytes in all; `size` (when not 0) cuts or pads it and sets the total size.
struct craft { std::vector<edit> edits; size_t size; const char *want, *messages, *fields; };

const std::vector<craft> crafts = {
    {{{TOTAL, 8223}}, 0, "W file-size-mismatch", "total_image_file_size is 8223 but the file holds 8224 bytes", "total_image_file_size"},
    {{{TOTAL, U - 1}}, 0, "W file-size-mismatch", "total_image_file_size is 4294967294 but", ""},
    // Errors, then warnings, then notes, each in rule order.
    {{{TOTAL, U}, {OFF, 8196}, {BITS, 11, 1}, {PACK, 3, 2}, {ORIENT, 0xFFFF, 2}}, 0, "E bit-depth, W image-offset-mismatch, W "
     "packing, N file-size-undefined, N orientation", "offset_to_image_data is 8196 but element 1 starts at byte 8192 | total_image_"
     "file_size is undefined (0xFFFFFFFF); the file holds 8224 bytes | image_orientation is undefined (0xFFFF)", "offset_to_image_data"},
    {{{GEN, U}, {IND, U}, {USER, U}}, 0, "N header-length x3", "generic_section_header_length is undefined | industry_specific_header_"
     "length is undefined | user_defined_header_length is undefined", "generic_section_header_length | | user_defined_header_length"},
    {{{GEN, 2048}, {IND, 100}}, 0, "W header-length x2", "generic_section_header_length is 2048 but the generic sections take 1664 "
     "bytes | industry_specific_header_length is 100, neither 384", "generic_section_header_length | industry_specific_header_length"},
    {{{OFF, 2000}}, 0, "W image-offset-mismatch, W header-length", "the declared headers add up to 2048 bytes (1664 + 384 + 0), past "
     "offset_to_image_data 2000", "offset_to_image_data"},
    // Near misses: values at the edge of each rule, and the markers of fields left undefined.
    {{{OFF, 2048}, {DATA, 2048}, {KEY, U}, {TC, 0x23595959}, {HIGH, 1023}, {EOL, U}, {EOI, U}, {DESC, 0, 1}}, 0, "", "", ""},
    {{{VER + 1, '1', 1}, {IND, 0}, {USER, 32}, {ORIENT, 7, 2}, {PACK, 2, 2}, {WIDTH, 1}, {DESC, 156, 1}, {LOW, U}, {HIGH, U}}, 0, "", "", ""},

    // An element at 0 does not make the header pixel bytes.
    {{{DATA, 0}, {ORIENT, 8, 2}}, 0, "E image-offset-zero, W image-offset-mismatch, W orientation", "element 1 has offset_to_data 0: "
     "its data would start at the magic number | image_orientation is 8, a reserved code; only 0 to 7", "[0].offset_to_data"},
    {{{COUNT, 2, 2}}, 0, "E image-offset-zero, E bit-depth", "element 2 has offset_to_data 0 | element 2 has bit depth 0",
     "[1].offset_to_data | [1].bit_depth"},
    {{{OFF, 8224}, {DATA, 8224}}, 0, "E image-offset-past-end", "1 starts at byte 8224 but the file holds 8224 bytes", "[0].offset_to_data"},
    {{{OFF, 8223}, {DATA, 8223}}, 0, "E image-data-short", "needs 32 bytes from byte 8223 but the file has 1 byte left from there", ""},

    // Fields from the element's offset on are pixel bytes, not checked.
    {{{OFF, 1664}, {DATA, 1664}, {IND, 0}, {TC, 0x25000000}, {FILM, f(24)}, {TV, f(25)}}, 0, "W image-offset-in-header", "", ""},
    {{{OFF, 1408}, {DATA, 1408}, {IND, 0}}, 0, "W image-offset-in-header, W header-length", "the image source, film and television", ""},
    {{{COUNT, 2, 2}, {DATA + EL, 1900}, {BITS + EL, 8, 1}, {TC, 0x25000000}}, 0, "W image-offset-in-header",
     "element 2 starts at byte 1900, inside the 2048-byte header: the film and television fields (bytes 1900", "[1].offset_to_data"},
    {{{OFF, 2047}, {DATA, 2047}, {IND, 0}}, 0, "W image-offset-in-header", "byte 2047, inside the 2048-byte header: the television", ""},
    // As FFmpeg writes small pictures: the file ends before byte 2048, its missing fields undefined.
    {{{OFF, 1664}, {DATA, 1664}, {IND, 0}}, 1700, "W image-offset-in-header", "element 1 starts at byte 1664", ""},
    {{{OFF, 600}, {DATA, 600}, {KEY, 0x12345678}, {ORIENT, 8, 2}, {DATA + EL, 9000}, {BITS + EL, 10, 1}}, 0,
     "W image-offset-in-header, W header-length", "the file information, image information, image source, film and television", ""},
    {{{OFF, 8}, {DATA, 8}, {VER, 'v', 1}, {TOTAL, 999}, {GEN, 2000}, {USER, 9000}}, 0, "W image-offset-in-header", "(bytes 8 to 2047)", ""},
    {{{OFF, 4096}, {DATA, 4096}, {USER, 2049}}, 0, "W image-offset-in-header, W header-length",
     "element 1 starts at byte 4096, inside the declared headers, which end at byte 4097 (1664 + 384 + 2049)", "user_defined_header_length"},
    {{{OFF, 4096}, {DATA, 4096}, {USER, 2048}}, 0, "", "", ""},
    {{{USER, 6177}}, 0, "E user-data-past-end, W image-offset-in-header, W header-length",
     "the user-defined header of 6177 bytes runs from byte 2048 to byte 8225 but the file holds 8224 bytes", "user_defined_header_length"},
    {{{USER, 6176}}, 0, "W image-offset-in-header, W header-length", "", ""},
    {{{USER, 16}}, 0, "W user-header-short", "user_defined_header_length is 16, shorter than the 32-byte", "user_defined_header_length"},

    {{{COUNT, 2, 2}, {DATA + EL, 8192}, {BITS + EL, 8, 1}}, 0, "W image-offset-shared", "1 and 2 both start at byte 8192", "[1].offset_to_data"},
    {{{COUNT, 2, 2}, {DATA + EL, 8224}, {BITS + EL, 8, 1}}, 8232, "", "", ""}, // 8 bytes of 8-bit luma right after element 1
    {{{COUNT, 2, 2}, {DATA + EL, 8208}, {BITS + EL, 8, 1}}, 0, "E image-data-short",
     "element 1 needs 32 bytes from byte 8192 but element 2 starts 16 bytes after it, at byte 8208", "[0].offset_to_data"},
    {{{LINES, U}}, 0, "E image-dimensions, E image-data-short", "lines_per_image_element is undefined (0xFFFFFFFF) | needs "
     "68719476720 bytes from byte 8192 but the file has 32 bytes left", "lines_per_image_element | lines_per_image_element"},
    {{{LINES, 3}}, 0, "E image-data-short", "element 1 needs 48 bytes from byte 8192 but the file has 32 bytes left from there", ""},
    {{{EOL, 1}}, 0, "E image-data-short", "element 1 needs 34 bytes", "[0].end_of_line_padding"}, // on each of the two lines
    {{{EOI, 1}}, 0, "E image-data-short", "element 1 needs 33 bytes", "[0].end_of_image_padding"},
    // 48 samples a line: packed, 15 words; filled, 16 words of three.
    {{{WIDTH, 16}, {PACK, 0, 2}}, 8312, "", "", ""},
    {{{WIDTH, 16}}, 8312, "E image-data-short", "element 1 needs 128 bytes from byte 8192 but the file has 120 bytes left", ""},
    // 15 samples a line: packed, 6 words; filled, 16 bits each in 8 words.
    {{{WIDTH, 5}, {BITS, 12, 1}, {PACK, 0, 2}}, 8240, "", "", ""},
    {{{WIDTH, 5}, {BITS, 12, 1}}, 8240, "E image-data-short", "element 1 needs 64 bytes", ""},
    // 4:2:2 stores two samples a pixel: 8 a line, in 3 words.
    {{{DESC, 100, 1}}, 8216, "", "", ""},
    {{{DESC, 100, 1}}, 8215, "E image-data-short", "element 1 needs 24 bytes from byte 8192 but the file has 23 bytes left", ""},

    {{{COUNT, 8, 2}}, 0, "E image-offset-zero x7, E bit-depth x7", "", ""},
    {{{COUNT, 9, 2}}, 0, "E image-offset-zero x7, E element-count, E bit-depth x7",
     "number_of_image_elements is 9, above the 8 a header holds; all 8 elements are checked", "number_of_image_elements"},
    {{{COUNT, 0, 2}}, 0, "E element-count, W element-beyond-count", "number_of_image_elements is 0: no element is in use | "
     "element 1 lies past number_of_image_elements 0 but has offset_to_data 8192 and bit depth 10", "number_of_image_elements"},
    {{{DATA + EL, 9000}, {BITS + 7 * EL, 10, 1}}, 0, "W element-beyond-count x2",
     "element 2 lies past number_of_image_elements 1 but has offset_to_data 9000 and bit depth 0 | element 8 lies past",
     "[1].offset_to_data | [7].bit_depth"},
    {{{DESC + EL, 255, 1}, {BITS + EL, 255, 1}, {PACK + EL, 0xFFFF, 2}, {DATA + EL, U}}, 0, "", "", ""},

    {{{BITS, 11, 1}, {LINES, 100}}, 0, "E bit-depth", "element 1 has bit depth 11; only 1, 8, 10, 12, 16, 32 and 64", "[0].bit_depth"},
    {{{BITS, 255, 1}}, 0, "E bit-depth", "element 1's bit depth is undefined (255)", ""},
    {{{BITS, 1, 1}, {PACK, 0, 2}}, 0, "", "", ""},
    {{{PACK, 3, 2}}, 0, "W packing", "element 1 has packing 3; only 0, 1 and 2 are defined", "[0].packing"},
    {{{WIDTH, 1}, {BITS, 32, 1}}, 0, "W packing", "element 1 has packing 1 with 32-bit samples, which only packing 0", "[0].bit_depth"},
    {{{WIDTH, 1}, {DESC, 52, 1}, {BITS, 32, 1}, {PACK, 0, 2}, {HIGH, f(1)}}, 0, "", "", ""}, // floats have no largest code
    {{{WIDTH, 1}, {LINES, 1}, {BITS, 64, 1}}, 0, "W packing", "packing 1 with 64-bit samples", ""},
    {{{BITS, 1, 1}, {PACK, 2, 2}}, 0, "W packing", "packing 2 with 1-bit samples", ""},
    {{{DESC, 5, 1}, {LINES, 100}}, 0, "W descriptor", "element 1 has descriptor 5, a reserved code", "[0].descriptor"},
    {{{DESC, 53, 1}}, 0, "W descriptor", "descriptor 53,", ""},
    {{{DESC, 157, 1}}, 0, "W descriptor", "descriptor 157,", ""},
    {{{DESC, 255, 1}}, 0, "W descriptor", "element 1's descriptor is undefined (255)", ""},
    {{{VER + 1, '3', 1}}, 0, "N version", "version is \"V3.0\", neither \"V1.0\" nor \"V2.0\"", "file_information.version"},
    {{{VER + 4, ' ', 1}}, 0, "N version", "version is \"V2.0 \"", ""},
    {{{VER, 'v', 1}}, 0, "N version", "version is \"v2.0\"", ""},
    {{{KEY, 0x12345678}}, 0, "W encrypted", "encryption_key is 0x12345678: the image data may be encrypted", "encryption_key"},

    {{{TC, 0x2460600A}}, 0, "W timecode", "smpte_time_code 0x2460600A: hours 24 above 23, minutes 60 above 59, seconds 60 above "
     "59, frames byte 0x0A is not two BCD digits", "smpte_time_code"},
    {{{TC, 0x0A00A000}}, 0, "W timecode", "hours byte 0x0A is not two BCD digits, seconds byte 0xA0 is not two BCD digits", ""},
    {{{TC, 0x01000025}, {TV, f(25)}}, 0, "W timecode", "frame 25 at or above the rate of 25 frames per second", "temporal_sampling_rate"},
    {{{TC, 0x01000029}, {FILM, f(30000.0f / 1001)}, {TV, f(29.97f)}}, 0, "", "", ""}, // one rate, two spellings
    {{{TC, 0x01000024}, {FILM, f(24)}, {TV, U}}, 0, "W timecode", "frame 24 at or above the rate of 24 frames", "frame_rate_of_original"},
    {{{TC, 0x01000024}, {FILM, f(24)}, {TV, f(-25)}}, 0, "W timecode", "frame 24 at or above the rate of 24 frames", ""},
    {{{FILM, f(24)}, {TV, f(25)}}, 0, "N frame-rate-mismatch", "is 24 but temporal_sampling_rate is 25", "frame_rate_of_original"},
    {{{FILM, f(23.976f)}, {TV, f(24)}}, 0, "N frame-rate-mismatch", "frame_rate_of_original is 23.976 but", "temporal_sampling_rate"},

    {{{LOW, 1023}, {HIGH, 0}}, 0, "N reference-levels", "code 1023 is not below its high one 0", "[0].reference_low_data_code_value"},
    {{{HIGH, 1024}}, 0, "N reference-levels", "code 1024 is above 1023, the largest 10-bit code", "[0].reference_high_data_code_value"},
    {{{BITS, 8, 1}, {LOW, 256}, {HIGH, 256}}, 0, "N reference-levels x3", "low reference code 256 is not below its high one 256 | "
     "low reference code 256 is above 255, the largest 8-bit code | high reference code 256 is above 255", ""},
    {{{BITS, 9, 1}, {HIGH, 1023}}, 0, "E bit-depth", "element 1 has bit depth 9", ""}, // no largest code for 9 bits
};

} // namespace

TEST(Checks, EachRuleAndItsNearMissInBothByteOrders)
{
    for (const craft& c : crafts)
        for (bool little : {false, true}) {
            SCOPED_TRACE("row " + std::to_string(&c - crafts.data() + 1) + (little ? ", little-endian" : ", big-endian"));
            dpx_writer w = dpxw_image(dpx_layout{little, 4, 2, 50, 10, 1, 8192, 0}, std::vector<unsigned char>(32, 0x40));
            if (c.size)
                w.bytes.resize(c.size), dpxw_put(&w, TOTAL, (uint32_t)c.size, 4);
            for (const edit& e : c.edits)
                dpxw_put(&w, e.at, e.v, e.width);
            expect_findings(w.bytes, c.want, c.messages, c.fields);
        }
}

// FFmpeg starts its pixels at 1664, inside the header; GraphicsMagick counts
// 10-bit data without each line's last word, ImageMagick declares 9728 bytes
// whatever the depth; OpenImageIO fills 32-bit floats. The hostile corpus is
// the base file with one thing broken; its refused files are not checked.
TEST(Checks, PeerAndHostileFilesGiveTheFindingsTheirBytesHold)
{
    const struct { const char *name, *want, *messages, *fields; } named[] = {
        {"ffmpeg-", "W image-offset-in-header", "element 1 starts at byte 1664, inside the 2048-byte header: the film and television "
                                                "fields (bytes 1664 to 2047) are its pixel bytes", "[0].offset_to_data"},
        {"gm-gray10.dpx", "W file-size-mismatch", "total_image_file_size is 8876 but the file holds 8896 bytes", ""},
        {"gm-ycc422-10.dpx", "W file-size-mismatch", "total_image_file_size is 9560 but the file holds 9600 bytes", ""},
        {"odd37-gm-gray10.dpx", "W file-size-mismatch", "total_image_file_size is 9132 but the file holds 9180 bytes", ""},
        {"imagemagick-rgb10-be.dpx", "W file-size-mismatch", "total_image_file_size is 9728 but the file holds 10240 bytes", ""},
        {"imagemagick-rgb12-be.dpx", "W file-size-mismatch", "total_image_file_size is 9728 but the file holds 11264 bytes", ""},
        {"imagemagick-rgb16-be.dpx", "W file-size-mismatch", "total_image_file_size is 9728 but the file holds 11264 bytes", ""},
        {"oiio-rgb-float.dpx", "W packing", "element 1 has packing 1 with 32-bit samples", "image_element[0].packing"},
        {"size-ffffffff.dpx", "E image-dimensions x2, E image-data-short",
         "pixels_per_line is undefined (0xFFFFFFFF) | needs more than 18446744073709551614 bytes", "pixels_per_line"},
        {"size-zero.dpx", "E image-dimensions x2", "pixels_per_line is 0: the image has no pixels | lines_per_image_element is 0", ""},
        {"width-zero.dpx", "E image-dimensions", "pixels_per_line is 0", "pixels_per_line"},
        {"height-zero.dpx", "E image-dimensions", "lines_per_image_element is 0", "lines_per_image_element"},
        {"width-2p31.dpx", "E image-data-short", "element 1 needs 17179869184 bytes from byte 8192", ""}, // 2^31 words a line
        {"width-70000.dpx", "E image-data-short", "element 1 needs 560000 bytes", ""},
        {"offset-past-end.dpx", "E image-offset-past-end", "element 1 starts at byte 1000000 but the file holds 8224 bytes", ""},
        {"offset-ffffffff.dpx", "E image-offset-past-end", "starts at byte 4294967295", ""},
        {"user-length-huge.dpx", "E user-data-past-end, W image-offset-in-header, W header-length",
         "4294967280 bytes runs from byte 2048 to byte 4294969328", ""},
        // 64 x 64 filled: 256 bytes a line, cut 6 bytes into line 33.
        {"cut-10bit.dpx", "E image-data-short, W file-size-mismatch", "needs 16384 bytes from byte 8192 but the file has 8198 bytes", ""},
        // Elements 2 to 8 are all zeros.
        {"elements-ffff.dpx", "E image-offset-zero x7, E element-count, E bit-depth x7", "number_of_image_elements is undefined", ""},
        {"", "", "", ""}, // every other file: no findings
    };
    std::vector<hostile_file> files;
    for (const std::string& path : dpxw_peer_files())
        files.push_back({std::filesystem::path(path).filename().string(), dpxw_load(path), true, ""});
    for (const hostile_file& h : hostile_corpus())
        if (h.loads)
            files.push_back(h);
    EXPECT_EQ(33u + 11u, files.size());
    for (const hostile_file& file : files) {
        SCOPED_TRACE(file.name);
        auto n = std::find_if(std::begin(named), std::end(named), [&](auto& n) { return file.name.rfind(n.name, 0) == 0; });
        expect_findings(file.bytes, n->want, n->messages, n->fields);
    }
}

TEST(Checks, SummaryCountsBySeverity)
{
    const std::pair<const char*, const char*> rows[] = {{"", "No findings"}, {"E", "1 error"}, {"N", "1 note"},
        {"EEW", "2 errors, 1 warning"}, {"WNN", "1 warning, 2 notes"}, {"NE", "1 error, 1 note"}, {"WWENEE", "3 errors, 2 warnings, 1 note"}};
    for (const auto& [severities, summary] : rows) {
        std::vector<CHECK_FINDING> findings;
        for (const char* s = severities; *s; s++)
            findings.push_back({*s == 'E' ? CHECK_ERROR : *s == 'W' ? CHECK_WARNING : CHECK_NOTE, "id", "message", {}});
        EXPECT_EQ(summary, checks_summary(findings)) << severities;
    }
}
