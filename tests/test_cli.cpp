// The header as read and shown, files dropped on the program and given to tessaview-dump: every
// field under its label, the hostile corpus through drop and dump, numbering and the path limit,
// what the sections say for crafted files, exit statuses, JSON names, the header-only read, the
// text equal to the File window row for row, and --diff.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "describe/describe.h"
#include "dpx/dpx_file.h"
#include "dpx/dpx_io.h"
#include "dpx/dpx_print.h"
#include "support/cli_run.h"
#include "support/dpx_writer.h"
#include "support/headless_gui.h"
#include "support/hostile_corpus.h"

namespace {


// What dropping the paths prints, standard output then standard error.
std::string drop(std::vector<std::string> paths) {
    std::vector<const char*> argv;
    for (const std::string& p : paths) argv.push_back(p.c_str());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    dropCallback(nullptr, (int)argv.size(), argv.data());
    fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    return out + testing::internal::GetCapturedStderr();
}

struct scratch {
    std::string dir = "/tmp/tessa-cli-XXXXXX";
    scratch() { mkdtemp(&dir[0]); }
    ~scratch() { std::filesystem::remove_all(dir); }
    std::string save(const std::string& name, const dpx_writer& w) {
        std::filesystem::create_directories(std::filesystem::path(dir + "/" + name).parent_path());
        return dpxw_save(w, dir + "/" + name), dir + "/" + name;
    }
} scratch;

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
    "768 2 c0 Image orientation|770 2 u Number of image elements|772 4 u Pixels per line|"
    "776 4 u Lines per image element",
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
const char* const element =
    "0 4 u Data sign|4 4 u Reference low data code value|8 4 f Reference low quantity represented|"
    "12 4 u Reference high data code value|16 4 f Reference high quantity represented|20 1 c1 Descriptor|"
    "21 1 c2 Transfer characteristic|22 1 c3 Colorimetric specification|23 1 u Bit depth|24 2 c4 Packing|"
    "26 2 u Encoding|28 4 u Offset to data|32 4 u End-of-line padding|36 4 u End-of-image padding|"
    "40 32 t Description of image element";
char* (*const codes[])(int, char*) = {dpx_print_get_image_orientation_code_text, dpx_print_get_descriptor_text,
    dpx_print_get_transfer_characteristic_text, dpx_print_get_colorimetric_specification_text,
    dpx_print_get_packing_text, dpx_print_get_video_signal_standard_text};
char* (*const word_codes[])(uint32_t, char*) = {dpx_print_get_endian_text, dpx_print_get_smpte_time_code_text,
    dpx_print_get_smpte_user_bits_text};
// "function code text" rows typed from the standard's tables, the functions as in `codes` (cN) and
// `word_codes` (hN): every descriptor, the byte-order words, the YCbCr transfer and colorimetric
// codes, and a row of each other table.
const char* const code_texts =
    "c1 0 User defined (or unspecified single component)|c1 1 Red (R)|c1 2 Green (G)|c1 3 Blue (B)|c1 4 Alpha (matte)|"
    "c1 6 Luma (Y)|c1 7 Color Difference (Cb, Cr, subsampled by two)|c1 8 Depth (Z)|c1 9 Composite video|"
    "c1 10 Reserved for future single components|c1 50 R, G, B|c1 51 R, G, B, Alpha|c1 52 A, B, G, R|"
    "c1 99 Reserved for future RGB ++ formats|c1 100 Cb, Y, Cr, Y (4:2:2)|c1 101 Cb, Y, A, Cr, Y, A (4:2:2:4)|"
    "c1 102 Cb, Y, Cr (4:4:4)|c1 103 Cb, Y, Cr, A (4:4:4:4)|c1 149 Reserved for future CbYCr ++ formats|"
    "c1 150 User-defined 2-component element|c1 151 User-defined 3-component element|"
    "c1 152 User-defined 4-component element|c1 153 User-defined 5-component element|"
    "c1 154 User-defined 6-component element|c1 155 User-defined 7-component element|"
    "c1 156 User-defined 8-component element|c1 157 Reserved for future formats|"
    "h0 0x53445058 Big Endian|h0 0x58504453 Little Endian|h0 0x53445059 Illegal Header|"
    "c2 5 SMPTE 274M|c2 6 ITU-R 709-4|c2 7 ITU-R 601-5 system B or G (625)|c2 8 ITU-R 601-5 system M (525)|"
    "c3 5 SMPTE 274M|c3 6 ITU-R 709-4|c3 7 ITU-R 601-5 system B or G (625)|c3 8 ITU-R 601-5 system M (525)|"
    "c2 12 Z (depth) - homogeneous|c3 12 Not applicable|c0 7 Bottom to top / Right to left|"
    "c4 2 Filled to 32-bit words, method B|c5 203 YCBCR 1125-line, 1:1 progressive, 16:9 aspect ratio (SMPTE 274M)|"
    "h1 0x23595929 23:59:59.29|h2 0xFFFFFFFE 0xfffffffe";

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
            dpxw_put(w, at, ones ? ~0u : form[0] == 'f' ? dpxw_float(at + 0.5f) : v, size);
        char text[512], code[DPX_PRINT_TEXT_SIZE];
        if (form[0] == 't') snprintf(text, sizeof text, "'%-*.*s'", (int)size, (int)size, (char*)&w->bytes[at]);
        else if (ones && at != 0) snprintf(text, sizeof text, "(Undefined)");
        else if (form[0] == 'f') snprintf(text, sizeof text, "%f", at + 0.5);
        else if (form[0] == 'c') snprintf(text, sizeof text, "%u '%s'", v, codes[form[1] - '0']((int)v, code));
        else if (form[0] == 'h') snprintf(text, sizeof text, "0x%08X '%s'", v, word_codes[form[1] - '0'](v, code));
        else snprintf(text, sizeof text, form[0] == 'x' ? "0x%08X" : "%u", v);
        if (shown) shown->push_back(std::string(label) + " = " + text);
    }
}

// A header with every field set, and its rows in window order: each section's own, then panels.
dpx_writer every_field(bool little, bool ones, std::vector<std::string>* shown = nullptr) {
    dpx_writer w = dpxw_new(little, 2080);
    for (int s = 0; s < 5; s++)
        for (int n = -1; n < (s == 1 ? 8 : 0); n++)
            put(&w, n < 0 ? sections[s] : element, n < 0 ? 0 : 780 + 72 * n, ones, shown);
    return w;
}

} // namespace

// Each broken or special file is refused by a drop and by the dump with the same line, or loaded,
// numbered and dumped with why there is no picture; a file dropped again is found; paths of 1024
// characters or more are refused; the name filter.
TEST(Drop, HostileAndSpecialFilesFoundAgainAndThePathLimit) {
    std::string dir = scratch.dir + "/hostile";
    std::vector<hostile_file> files = hostile_corpus();
    files.push_back({"pipe.dpx", {}, false, "not a regular file (a FIFO)"});
    // A dropped directory is scanned instead (test_folder).
    ASSERT_TRUE(std::filesystem::create_directories(dir) && hostile_corpus_write(dir) &&
                !mkfifo((dir + "/pipe.dpx").c_str(), 0600));
    workset = workset_open();
    int index = 0;
    for (const hostile_file& f : files) {
        std::string path = dir + "/" + f.name, shown = drop({path});
        run_result dump = run({path});
        EXPECT_TRUE(dump.status == (f.loads ? CLI_OK : CLI_REFUSED) && dump.err == (f.loads ? "" : shown)) << dump.err;
        EXPECT_EQ(f.loads ? "created workset for " + path + " (index=" + std::to_string(++index) + ")\n"
                          : "refused " + path + shown.substr(shown.find(": ")), shown);
        EXPECT_NE(std::string::npos, (f.loads ? dump.out : shown).find(f.expect)) << f.name;
    }
    std::string longest = dir + "/" + std::string(1018 - dir.size(), 'q') + ".dpx"; // 1023 characters
    EXPECT_EQ("found exising workset for " + dir + "/cut-10bit.dpx\n", drop({dir + "/cut-10bit.dpx"}));
    EXPECT_EQ("refused " + longest + "x: path too long (1024 characters or more)\n", drop({longest + "x"}));
    EXPECT_EQ(std::string::npos, drop({longest}).find("path too long"));
    // ".dpx" or ".DPX" anywhere in the path is taken (here, refused as missing); other names are passed over.
    auto missing = [&](std::string name) { return "refused " + dir + name + ": cannot open (No such file or directory)\n"; };
    EXPECT_EQ(missing("/b.DPX") + missing("/x.dpx.d/f") + missing("/shot.dpx.bak"),
              drop({dir + "/c.txt", dir + "/b.DPX", dir + "/x.dpx.d/f", dir + "/shot.Dpx", dir + "/shot.dpx.bak"}));
    workset_close(workset);
}

// The header as the File window's rows show it: every field of the file format read at its offset in
// both byte orders, under its label, in its form, and "(Undefined)" where its type's marker stands;
// the rows' code texts as the standard words them.
TEST(DpxIo, EveryFieldAtItsOffsetUnderItsLabelInBothByteOrders) {
    for (const char* p = code_texts; p; p = strchr(p, '|') ? strchr(p, '|') + 1 : nullptr) {
        char form[3], want[DPX_PRINT_TEXT_SIZE], got[DPX_PRINT_TEXT_SIZE];
        long v;
        ASSERT_EQ(3, sscanf(p, "%2s %li %64[^|]", form, &v, want));
        EXPECT_STREQ(want, form[0] == 'c' ? codes[form[1] - '0']((int)v, got)
                                          : word_codes[form[1] - '0']((uint32_t)v, got));
    }
    for (bool little : {false, true})
        for (bool ones : {false, true}) {
            std::vector<std::string> want, got;
            dpx_writer w = every_field(little, ones, &want);
            DPX_HEADER h;
            ASSERT_EQ(DPX_IO_OK, dpx_io_header_read(w.bytes.data(), w.bytes.size(), &h));
            for (int s = 0; s < 5; s++) {
                DESCRIBE_SECTION section;
                describe_section(&h, (DESCRIBE_SECTION_ID)(DESCRIBE_FILE_INFORMATION + s), &section);
                std::vector<DESCRIBE_ROW> rows = section.rows;
                for (const DESCRIBE_PANEL& panel : section.panels)
                    rows.insert(rows.end(), panel.rows.begin(), panel.rows.end());
                for (const DESCRIBE_ROW& row : rows)
                    got.push_back(std::string(row.label) + " = " + row.value);
            }
            EXPECT_EQ(want, got) << (little ? "little-endian" : "big-endian") << (ones ? ", all ones" : "");
        }
}



TEST(Cli, SectionsChecksJsonAndExitStatuses) {
    const uint32_t e0 = DPXW_ELEMENT0;
    const dpx_layout hd{true, 1920, 1080, 50, 10, 1, 8192, ~0u};
    std::string sum = scratch.save("summary.dpx", dpxw_edit(dpxw_image(hd, {}), {
        e0 + DPXW_EL_TRANSFER, 2, 1, e0 + DPXW_EL_COLORIMETRIC, 4, 1, DPXW_SMPTE_TIME_CODE, 0x01000000, 4,
        DPXW_SMPTE_USER_BITS, 0x12AB34CD, 4, DPXW_TEMPORAL_RATE, 0x41C00000 /* 24.0 */, 4, DPXW_TOTAL_SIZE, 1000, 4}));
    std::string ones = scratch.save("ones.dpx", every_field(false, true));
    dpx_writer w = dpxw_edit(dpxw_new(false, 2100), {DPXW_USER_LENGTH, 132, 4, 2048, 0x55534552 /* "USER" */, 4});
    for (int i = 0; i < 20; i++) w.bytes[2080 + i] = (unsigned char)(0xA0 + i);
    const dpx_writer base = dpxw_image(dpx_layout(), std::vector<unsigned char>(32));
    std::string user = scratch.save("user.dpx", w);
    // Its 20 bytes declared exactly; a length below the identification's 32 bytes declares no data.
    std::string user_whole = scratch.save("user-whole.dpx", dpxw_edit(w, {DPXW_USER_LENGTH, 52, 4}));
    std::string user_16 = scratch.save("user-16.dpx", dpxw_edit(w, {DPXW_USER_LENGTH, 16, 4}));
    std::string no_user = scratch.save("no-user.dpx", dpxw_edit(dpxw_new(false, 2048), {DPXW_USER_LENGTH, ~0u, 4}));
    std::string broken = scratch.save("broken.dpx", dpxw_edit(base, {e0 + DPXW_EL_OFFSET_TO_DATA, 1000000, 4}));
    std::string warned = scratch.save("warned.dpx", dpxw_edit(base, {DPXW_TOTAL_SIZE, 12345, 4, e0 + DPXW_EL_DESCRIPTOR,
                                                                     53, 1, DPXW_ORIENTATION, 2, 2}));
    std::string good = dpxw_data_dir() + "/openimageio-rgb8-le.dpx", missing = scratch.dir + "/no", png = scratch.dir + "/o.png";
    const std::string scan = dpxw_data_dir() + "/scanners/", ffmpeg_short = scan + "0008_VersionNumber_v.dpx",
                      padded = scan + "padding-bits-not-zero-Y_10_FilledA_BE.dpx";
    struct { std::vector<std::string> args; int status; std::string out = "", err = ""; } cases[] = {
        {{sum}, CLI_OK, "======== " + sum + "\nImage data\n  Preview: Converted as descriptor 50 'R, G, B', 10 bits, "
                        "packing 1, little-endian (layout 9 of 19)\nSummary\n  Image size: 1920 x 1080\n"
                        "  Image element: 10 bits 'R, G, B'\n  Image packing: Filled to 32-bit words, method A\n"
                        "  Transfer characteristic: Linear\n  Colorimetric specification: Unspecified video\n"
                        "  SMPTE time code: 01:00:00.00\n  SMPTE user bits: 0x12ab34cd\n  Frame rate (Hz): 24.000000\n"
                        "  File type: Little Endian\n  File size:\n    Generic section:     1664 bytes\n"
                        "    Industry specific:      384 bytes\n    User-defined: 4294967295 bytes\n"
                        "    Total image file size:     1000 bytes\n\n    [Calculated meta data size]:     2047 bytes\n"
                        "    [Calculated image data size]: 4294966249 bytes\nFile information header\n"},
        {{sum}, CLI_OK, "  Data structure for image element 1 (in use)\n"},
        {{sum}, CLI_OK, "  Data structure for image element 2 (not in use)\n"},
        {{sum}, CLI_OK, "Motion-picture film information header\n"},
        {{sum}, CLI_OK, "User defined data\n  User identification: (none)\nChecks\n"},
        {{ones}, CLI_OK, "  SMPTE time code:\n  SMPTE user bits:\n  Frame rate (Hz): (Undefined)\n"},
        {{user}, CLI_OK, "User defined data\n  User identification: 'USER                            '\n"
                         "  Data size: 100 bytes\n  Data stream:\n    0x00000000 : A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA "
                         "AB AC AD AE AF\n    0x00000010 : B0 B1 B2 B3\n    (80 of the 100 declared bytes are missing "
                         "from the file)\nChecks\n"},
        {{user_whole}, CLI_OK, "  Data size: 20 bytes\n  Data stream:\n    0x00000000 : A0 A1 A2 A3 A4 A5 A6 A7 A8 "
                               "A9 AA AB AC AD AE AF\n    0x00000010 : B0 B1 B2 B3\nChecks\n"},
        {{user_16}, CLI_OK, "User defined data\n  User identification: 'USER                            '\nChecks\n"},
        {{no_user}, CLI_OK, "User defined data\n  User identification: (none)\n"}, // all ones: none declared
        {{warned}, CLI_OK, "  Preview: Fallback colour (0, 0, 240): no conversion for descriptor 53 'Reserved for "
                           "future RGB ++ formats', 10 bits, packing 1, big-endian\n"},
        {{warned}, CLI_OK, "  Image orientation: 2 'Left to right / Bottom to top'\n"},
        {{broken}, CLI_OK, "Checks\n  error image-offset-past-end: "},
        {{"--check", warned}, CLI_OK, warned + ": warning file-size-mismatch: "},
        {{"--check", broken, warned}, CLI_CHECK_ERRORS, broken + ": error image-offset-past-end: "},
        {{"--check", broken, missing}, CLI_REFUSED, "", "refused " + missing + ": cannot open (No such file"},
        {{"--check", good}, CLI_OK, good + ": No findings\n"}, {{good, missing}, CLI_REFUSED, "======== " + good},
        {{}, CLI_USAGE}, {{"--no-such-option", good}, CLI_USAGE}, {{"--help"}, CLI_OK, "--json"},
        {{"--version"}, CLI_OK, "tessaview-dump 0.6.0"}, {{"--element", "2", good}, CLI_USAGE},
        {{"--picture", png, good, good}, CLI_USAGE}, {{"--picture", png, "--element", "2", good}, CLI_REFUSED},
        {{"--picture", good + "/x.png", good}, CLI_REFUSED, "", "cannot create " + good + "/x.png (Not a directory)"},
        {{"--picture", png, dpxw_data_dir() + "/oiio-rgb10-orient-bottomup.dpx"}, CLI_OK,
         png + ": element 1, 32 x 16, 3 channels of 16 bits, orientation 2 applied\n"},
        // FFmpeg's 1856-byte file: fields from byte 1856 on are not in it (slate information at 1764..1863).
        {{ffmpeg_short}, CLI_OK, "  SMPTE time code: (not in file)\n  SMPTE user bits: (not in file)\n  Frame rate (Hz): "
                                 "(not in file)\n  File type: Little Endian\n"},
        {{ffmpeg_short}, CLI_OK, "  Frame identification: '                                '\n    00 00 00 00 00 00 00 00 FF FF "
                                 "FF 00 FF 00 00 FF\n    FF FF 00 00 FF 00 FF 00 00 00 00 00 00 00 00 00\n  Slate information: "
                                 "(not in file)\nTelevision information header\n  SMPTE time code: (not in file)\n"},
        {{"--picture", png, scan + "Y_10_FilledA_BE_Modified_4x4_Lasergraphics.dpx"}, CLI_OK, png + ": read with lines "
         "not padded to 32-bit words, as Lasergraphics ScanStation writes them\n" + png + ": padding bits not zero in 0 of "
         "6 words (filled 10-bit, method A: bits 1..0)\n"},
        {{"--picture", png, scan + "Y_10_FilledB_BE_Modified_4x4_Scanity.dpx"}, CLI_OK,
         png + ": read with lines not padded to 32-bit words, as DFT Scanity writes them\n"},
        // Only --deep reads the image data, and its padding bits.
        {{"--check", "--deep", padded}, CLI_OK, padded + ": note padding-bits: element 1: padding bits not zero in 66 of "
                                                "275 words (filled 10-bit, method A: bits 1..0)\n"},
        {{"--check", padded, good}, CLI_OK, padded + ": note version: version is \"V2.0\\x00\\xFF\\xFF\\xFF\", neither \"V1.0\" "
                                            "nor \"V2.0\"\n" + good + ": No findings\n"},
    };
    for (const auto& c : cases) {
        run_result r = run(c.args);
        EXPECT_TRUE(r.status == c.status && r.out.find(c.out) != r.out.npos && r.err.find(c.err) != r.err.npos)
            << r.status << ", want\n" << c.out << c.err << "\nin\n" << r.out << r.err;
    }
    nlohmann::json doc = nlohmann::json::parse(run({"--json", sum, missing, ones, user}).out);
    EXPECT_EQ(R"({"loaded":false,"path":")" + missing + R"j(","reason":"cannot open (No such file or directory)"})j",
              doc[1].dump());
    EXPECT_TRUE(doc[0]["path"] == sum && doc[0]["loaded"] == true && doc[0]["byte_order"] == "little" &&
                doc[2]["byte_order"] == "big" && doc[0]["sections"][3]["panels"][7]["title"] == "Data structure for "
                "image element 8 (not in use)") << doc[0];
    EXPECT_EQ(R"j({"label":"Encryption key","raw":4294967295,"undefined":true,"value":"(Undefined)"})j",
              doc[2]["sections"][2]["rows"][13].dump());
    EXPECT_EQ("A0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2B3", doc[3]["sections"][7]["rows"][2]["bytes"]);
    EXPECT_EQ(R"j({"in_file":false,"label":"Slate information","raw":null,"undefined":false,"value":null})j",
              nlohmann::json::parse(run({"--json", ffmpeg_short}).out)[0]["sections"][5]["rows"][12].dump());
    doc = nlohmann::json::parse(run({"--check", "--json", broken}).out)[0];
    EXPECT_TRUE(!doc.contains("sections") && doc["checks"][0]["severity"] == "error" &&
                doc["checks"][0]["id"] == "image-offset-past-end" && doc["checks"][0]["fields"].is_array()) << doc;
}

// A 2 GiB file costs what its header holds: the read stops after the user-defined header.
TEST(Cli, HeaderOnlyReadOfASparse2GiBFile) {
    std::string path = scratch.save("big.dpx", dpxw_image(dpx_layout{false, 4, 2, 50, 10, 1, 8192, 32 + 64}, {}));
    ASSERT_EQ(0, truncate(path.c_str(), (off_t)2 << 30));
    DPX_FILE file;
    char reason[DPX_FILE_REASON_SIZE];
    ASSERT_TRUE(dpx_file_load(path.c_str(), DPX_FILE_HEADER_ONLY, &file, reason)) << reason;
    EXPECT_TRUE(file.image_size == 2048 + 32 + 64 && file.file_size == 2ull << 30 && file.header.user_data_size == 64);
    dpx_file_free(&file);
}

// Every peer file's dump, row for row, as its File window shows it with every panel open; compared
// without spaces, colons, dashes, separators and the preview, control characters as the window has them.
TEST(Cli, TextEqualsTheFileWindowRowForRow) {
    auto squash = [](const std::string& text) {
        std::string plain = std::regex_replace(text, std::regex("[-: #]|\n  Preview[^\n]*"), "");
        return std::regex_replace(plain, std::regex("\n+"), "\n");
    };
    const std::vector<std::string> paths = dpxw_peer_files();
    EXPECT_GE(paths.size(), 30u);
    for (const std::string& path : paths) {
        headless_gui_begin();
        headless_gui gui;
        headless_gui_load(&gui, dpxw_load(path), 1);
        headless_gui_frame(&gui); // opens the panels for the next
        std::string window = headless_gui_frame(&gui), dump = run({path}).out;
        headless_gui_unload(&gui);
        headless_gui_end();
        dump = dump.substr(dump.find("\nImage data\n"), dump.find("\nChecks\n") - dump.find("\nImage data\n"));
        for (size_t at; (at = dump.find("\\x")) != std::string::npos;)
            dump.replace(at, 4, 1, (char)std::stoi(dump.substr(at + 2, 2), nullptr, 16));
        EXPECT_EQ(squash("\n" + window.substr(window.find("Image data"))), squash(dump + "\n")) << path;
        EXPECT_GT(window.size(), 10000u);
        // The JSON is written as it is walked, laid out as nlohmann-json's dump(2) lays out a tree.
        const std::string json = run({"--json", path}).out;
        EXPECT_EQ(json, "[\n" + nlohmann::ordered_json::parse(json)[0].dump(2) + "\n]\n") << path;
    }
}

// --diff: a pair differing in one field of each section, then in bytes past a text's end, in a float
// beyond six decimals, in the user-defined header, in byte order alone; identical files, JSON, a
// refused file, usage.
TEST(Cli, DiffRowByRow) {
    const dpx_writer base = dpxw_image(dpx_layout(), std::vector<unsigned char>(32));
    const uint32_t e1 = DPXW_ELEMENT0 + DPXW_ELEMENT_SIZE, count = 1676, gamma = 1948;
    struct { std::initializer_list<uint32_t> a, b; std::string out; } cases[] = {
        {{}, {20, 1, 4}, "File information header / Ditto key: 0x00000000 | 0x00000001\n"},
        {{}, {DPXW_ORIENTATION, 2, 2}, "Image information header / Image orientation: 0 'Left to right / Top to "
                                       "bottom' | 2 'Left to right / Bottom to top'\n"},
        {{}, {e1 + DPXW_EL_BIT_DEPTH, 10, 1}, "Data structure for image element 2 / Bit depth: 0 | 10\n"},
        {{}, {1408, 5, 4}, "Image source information header / X offset: 0 | 5\n"},
        {{}, {1664, 'A', 1, 1665, 'B', 1}, "Motion-picture film information header / Film mfg. ID code: '  ' | "
                                           "'AB'  (bytes at 0, 1: 00 00 | 41 42)\n"},
        {{}, {gamma, dpxw_float(2.5f), 4}, "Television information header / Gamma: 0.000000 | 2.500000\n"},
        {{count, 'X', 1, count + 2, 'Y', 1}, {count, 'X', 1, count + 2, 'Z', 1},
         "Motion-picture film information header / Count: 'X   ' | 'X   '  (bytes at 2: 59 | 5A)\n"},
        {{gamma, dpxw_float(1.0f), 4}, {gamma, dpxw_float(1.0000001f), 4},
         "Television information header / Gamma: 1.000000 (1) | 1.000000 (1.00000012)\n"},
        {{}, {DPXW_USER_LENGTH, 34, 4, 2048, 'U', 1, 2080, 0xAB, 1},
         "File information header / User-defined header length in bytes: 0 | 34\nUser defined data / User "
         "identification: (none) | 'U                               '  (bytes at 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, "
         "12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31: -- -- -- -- -- -- -- -- -- -- "
         "-- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- | 55 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
         "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00)\nUser defined data / Data size: (none) | 2 bytes\nUser "
         "defined data / Data stream: (none) | 2 bytes  (bytes at 0, 1: -- -- | AB 00)\n"},
        {{}, {}, ""},
    };
    for (const auto& c : cases) {
        std::string a = scratch.save("diff-a.dpx", dpxw_edit(base, c.a)), b = scratch.save("diff-b.dpx", dpxw_edit(base, c.b));
        run_result r = run({"--diff", a, b});
        EXPECT_TRUE(r.status == (c.out.empty() ? CLI_OK : CLI_DIFFER) && r.out == c.out && r.err.empty())
            << r.status << ", want\n" << c.out << "got\n" << r.out << r.err;
    }
    std::string a = scratch.save("diff-a.dpx", base), b = scratch.save("diff-b.dpx", dpxw_edit(base, {20, 1, 4}));
    std::string little = scratch.save("diff-le.dpx", dpxw_image(dpx_layout{true}, std::vector<unsigned char>(32)));
    EXPECT_EQ("File information header / Magic number (SDPX ASCII): 0x53445058 'Big Endian' | 0x58504453 'Little "
              "Endian'\n", run({"--diff", a, little}).out);
    run_result r = run({"--diff", "--json", a, b});
    EXPECT_TRUE(r.status == CLI_DIFFER && nlohmann::json::parse(r.out) == nlohmann::json::parse(
        R"({"a": ")" + a + R"(", "b": ")" + b + R"(", "rows": [{"section": "File information header", "label": )"
        R"("Ditto key", "a": "0x00000000", "b": "0x00000001"}]})")) << r.out;
    r = run({"--diff", "--json", a, a}); // the keys in this order
    EXPECT_TRUE(r.status == CLI_OK && r.out == "{\n  \"a\": \"" + a + "\",\n  \"b\": \"" + a + "\",\n  \"rows\": []\n}\n") << r.out;
    r = run({"--diff", a, scratch.dir + "/none.dpx"});
    EXPECT_TRUE(r.status == CLI_REFUSED && r.out.empty() && r.err == "refused " + scratch.dir + "/none.dpx: cannot open "
                "(No such file or directory)\n") << r.err;
    const std::string png = scratch.dir + "/o.png";
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{{"--diff", a}, {"--diff", a, b, b},
             {"--diff", "--sequence", a, b}, {"--diff", "--picture", png, a, b}, {"--diff", "--check", a, b}})
        EXPECT_EQ(CLI_USAGE, run(args).status) << args[1];
}
