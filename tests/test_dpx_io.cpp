// The header as the File window's rows show it: every field of the file
// format read at its offset in both byte orders, under its label, in its
// form, and "(Undefined)" where its type's marker stands; then what the
// reader takes from images of every length.
#include <cstring>

#include <gtest/gtest.h>

#include "describe/describe.h"
#include "dpx/dpx_io.h"
#include "dpx/dpx_print.h"
#include "support/dpx_writer.h"

namespace {

// "offset size form label" rows, one section each, in window order; element
// rows stand in each of the eight records at 780 + 72 n. Forms: u "%u",
// x "0x%08X", f "%f", t text of `size` bytes, cN "%u '%s'" and hN "0x%08X '%s'"
// with the text of code function N; all but t show "(Undefined)" for all ones.
const char* const sections[] = {
    "0 4 h0 Magic number (SDPX ASCII)|4 4 u Offset to image data in bytes|8 8 t Version number of header format|"
    "16 4 u Total image file size in bytes|20 4 x Ditto key|24 4 u Generic section header length in bytes|"
    "28 4 u Industry specific header length in bytes|32 4 u User-defined header length in bytes|"
    "36 100 t Image filename|136 24 t Creation date/time|160 100 t Creator|260 200 t Project name|"
    "460 200 t Right to use or copyright statement|660 4 x Encryption key",
    "768 2 c0 Image orientation|770 2 u Number of image elements|772 4 u Pixels per line|776 4 u Lines per image element",
    "1408 4 u X offset|1412 4 u Y offset|1416 4 f X center|1420 4 f Y center|1424 4 u X original size|"
    "1428 4 u Y original size|1432 100 t Source image filename|1532 24 t Source image date/time|"
    "1556 32 t Input device name|1588 32 t Input device serial number|1620 2 u Border validity (XL)|"
    "1622 2 u Border validity (XR)|1624 2 u Border validity (YT)|1626 2 u Border validity (YB)|"
    "1628 4 u Pixel aspect ratio (horizontal)|1632 4 u Pixel aspect ratio (vertical)|1636 4 f X scanned size|"
    "1640 4 f Y scanned size",
    "1664 2 t Film mfg. ID code|1666 2 t Film type|1668 2 t Offset in perfs|1670 6 t Prefix|1676 4 t Count|"
    "1680 32 t Format|1712 4 u Frame position in sequence|1716 4 u Sequence length|1720 4 u Held count|"
    "1724 4 f Frame rate of original|1728 4 f Shutter angle of camera in degrees|1732 32 t Frame identification|"
    "1764 100 t Slate information",
    "1920 4 h1 SMPTE time code|1924 4 h2 SMPTE user bits|1928 1 u Interlace|1929 1 u Field number|"
    "1930 1 c5 Video signal standard|1932 4 f Horizontal sampling rate (Hz)|1936 4 f Vertical sampling rate (Hz)|"
    "1940 4 f Temporal sampling rate or frame rate (Hz)|1944 4 f Time offset from sync to first pixel (ms)|"
    "1948 4 f Gamma|1952 4 f Black level code value|1956 4 f Black gain|1960 4 f Breakpoint|"
    "1964 4 f Reference white level code value|1968 4 f Integration time (s)",
};
const char* const element = "0 4 u Data sign|4 4 u Reference low data code value|8 4 f Reference low quantity represented|"
    "12 4 u Reference high data code value|16 4 f Reference high quantity represented|20 1 c1 Descriptor|"
    "21 1 c2 Transfer characteristic|22 1 c3 Colorimetric specification|23 1 u Bit depth|24 2 c4 Packing|"
    "26 2 u Encoding|28 4 u Offset to data|32 4 u End-of-line padding|36 4 u End-of-image padding|"
    "40 32 t Description of image element";
char* (*const codes[])(int, char*) = {dpx_print_get_image_orientation_code_text, dpx_print_get_descriptor_text,
    dpx_print_get_transfer_characteristic_text, dpx_print_get_colorimetric_specification_text,
    dpx_print_get_packing_text, dpx_print_get_video_signal_standard_text};
char* (*const word_codes[])(uint32_t, char*) = {dpx_print_get_endian_text, dpx_print_get_smpte_time_code_text,
    dpx_print_get_smpte_user_bits_text};
const char* const titles[] = {"File information header", "Image information header", "Image source information header",
                              "Motion-picture film information header", "Television information header"};

// Writes every field of `rows`, `base` bytes on, and returns its rows as shown: numbers differ
// from field to field and from their own byte swap and are never all ones; codes stay small
// enough to have a text; floats are the offset and a half; text fields hold letters, then NULs.
void put(dpx_writer* w, const char* rows, size_t base, bool ones, std::vector<std::string>* shown) {
    for (const char* p = rows; p; p = strchr(p, '|') ? strchr(p, '|') + 1 : nullptr) {
        size_t at, size;
        char form[3], label[64];
        ASSERT_EQ(4, sscanf(p, "%zu %zu %2s %63[^|]", &at, &size, form, label));
        at += base;
        uint32_t v = at == 0 ? (w->little ? 0x58504453u : 0x53445058u) : form[0] == 'c' ? at % (size == 2 ? 7 : 251)
                     : size == 1 ? at % 251 : size == 2 ? 0x100 + at * 7 : 0x10000000u + at * 40503u;
        for (size_t i = 0; form[0] == 't' && i < size; i++)
            w->bytes[at + i] = ones ? 0xFF : 2 * i < size ? 'A' + (at + i) % 26 : 0;
        if (at != 0 && form[0] != 't')
            form[0] == 'f' && !ones ? dpxw_f32(w, at, at + 0.5f) : dpxw_put(w, at, ones ? ~0u : v, size);
        char text[512], code[DPX_PRINT_TEXT_SIZE];
        if (form[0] == 't')
            snprintf(text, sizeof text, "'%-*.*s'", (int)size, (int)size, (char*)&w->bytes[at]);
        else if (ones && at != 0)
            snprintf(text, sizeof text, "(Undefined)");
        else if (form[0] == 'f')
            snprintf(text, sizeof text, "%f", at + 0.5);
        else if (form[0] == 'c')
            snprintf(text, sizeof text, "%u '%s'", v, codes[form[1] - '0']((int)v, code));
        else if (form[0] == 'h')
            snprintf(text, sizeof text, "0x%08X '%s'", v, word_codes[form[1] - '0'](v, code));
        else
            snprintf(text, sizeof text, form[0] == 'x' ? "0x%08X" : "%u", v);
        shown->push_back(std::string(label) + " = " + text);
    }
}

} // namespace

TEST(DpxIo, EveryFieldAtItsOffsetUnderItsLabelInBothByteOrders) {
    for (bool little : {false, true})
        for (bool ones : {false, true}) {
            dpx_writer w = dpxw_new(little, 2080);
            std::vector<std::string> want, got;
            for (int s = 0; s < 5; s++)
                for (int n = -1; n < (s == 1 ? 8 : 0); n++) // the section's own rows, then its element panels
                    put(&w, n < 0 ? sections[s] : element, n < 0 ? 0 : 780 + 72 * n, ones, &want);
            DPX_HEADER h;
            ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(w.bytes.data(), w.bytes.size(), &h));
            for (int s = 0; s < 5; s++) {
                DESCRIBE_SECTION section;
                describe_section(&h, (DESCRIBE_SECTION_ID)(DESCRIBE_FILE_INFORMATION + s), &section);
                EXPECT_STREQ(titles[s], section.title);
                std::vector<DESCRIBE_ROW> rows = section.rows;
                for (const DESCRIBE_PANEL& panel : section.panels)
                    rows.insert(rows.end(), panel.rows.begin(), panel.rows.end());
                for (const DESCRIBE_ROW& row : rows)
                    got.push_back(std::string(row.label) + " = " + row.value);
            }
            EXPECT_EQ(want, got) << (little ? "little-endian" : "big-endian") << (ones ? ", all ones" : "");
        }
}

// The user data and the image data are pointed at, and counted, only as far as the image goes.
TEST(DpxIo, PointersAndSizesStayInsideTheImage) {
    // User-defined header length, element 1's offset; user data size, image data at (-1: none) and its size.
    for (auto [length, offset, user_size, image_at, image_size] : {std::tuple<uint32_t, uint32_t, size_t, long, size_t>
             {1, 2000, 20, 2000, 100}, {33, 2101, 20, -1, 0}, {0xFFFFFFFF, 2100, 0, 2100, 0}, {0xFFFFFFFE, 0xFFFFFFFF, 20, -1, 0}}) {
        dpx_writer w = dpxw_edit(dpxw_new(true, 2100), {DPXW_USER_LENGTH, length, 4, DPXW_ELEMENT0 + DPXW_EL_OFFSET_TO_DATA, offset, 4});
        DPX_HEADER h;
        ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(w.bytes.data(), w.bytes.size(), &h));
        EXPECT_TRUE(h.user_defined_data.user_data == (length % 0xFFFFFFFF ? w.bytes.data() + 2080 : nullptr) && h.user_data_size == user_size &&
                    h.image_data == (image_at < 0 ? nullptr : w.bytes.data() + image_at) && h.image_data_size == image_size) << length;
    }
}
