// Files dropped on the program and given to tessaview-dump: the drop filter and numbering, what
// the sections say for crafted files, exit statuses, JSON names, the header-only read, the
// hostile corpus through drop and dump, and the text equal to the File window row for row.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "dpx/dpx_file.h"
#include "dpx/dpx_io.h"
#include "pixconv/pixconv.h"
#include "support/dpx_writer.h"
#include "support/headless_gui.h"
#include "support/hostile_corpus.h"
#include "support/thumbnail_stub.h"

namespace {

struct run_result { int status; std::string out, err; };

run_result run(std::vector<std::string> args) {
    std::vector<const char*> argv = {"tessaview-dump"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    char *out, *err;
    size_t out_size, err_size;
    FILE *o = open_memstream(&out, &out_size), *e = open_memstream(&err, &err_size);
    int status = cli_run((int)argv.size(), argv.data(), o, e);
    fclose(o), fclose(e);
    run_result r{status, std::string(out, out_size), std::string(err, err_size)};
    free(out), free(err);
    return r;
}

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

std::string created(const std::string& path, int index) {
    return "created workset for " + path + " (index=" + std::to_string(index) + ")\n";
}

const std::string data = getenv("TESSA_TEST_DATA") ? getenv("TESSA_TEST_DATA") : "tests/data";
struct scratch {
    std::string dir = "/tmp/tessa-cli-XXXXXX";
    scratch() { mkdtemp(&dir[0]); }
    ~scratch() { std::filesystem::remove_all(dir); }
    std::string save(const std::string& name, const dpx_writer& w) {
        std::filesystem::create_directories(std::filesystem::path(dir + "/" + name).parent_path());
        return dpxw_save(w, dir + "/" + name), dir + "/" + name;
    }
} scratch;

} // namespace

// Each broken or special file is refused by a drop and by the dump with the same line, or loaded,
// numbered and dumped with why there is no picture, previewed as far as its bytes go: half the
// lines and a pixel of the cut one, none without image data. Then the drop filter on ".dpx" and
// ".DPX" anywhere in the path, a file dropped again, and paths of 1024 characters or more.
TEST(Drop, HostileAndSpecialFilesThenTheFilterAndThePathLimit) {
    std::string dir = scratch.dir + "/hostile";
    std::vector<hostile_file> files = hostile_corpus();
    ASSERT_TRUE(mkdir(dir.c_str(), 0700) == 0 && hostile_corpus_write(dir) && mkdir((dir + "/folder.dpx").c_str(), 0700) == 0 &&
                mkfifo((dir + "/pipe.dpx").c_str(), 0600) == 0);
    files.push_back({"folder.dpx", {}, false, "not a regular file (a directory)"});
    files.push_back({"pipe.dpx", {}, false, "not a regular file (a FIFO)"});
    workset = workset_open();
    int index = 0;
    for (const hostile_file& f : files) {
        std::string path = dir + "/" + f.name, shown = drop({path});
        run_result dump = run({path});
        EXPECT_TRUE(dump.status == (f.loads ? CLI_OK : CLI_REFUSED) && dump.err == (f.loads ? "" : shown)) << dump.err;
        EXPECT_EQ(f.loads ? created(path, ++index) : "refused " + path + ": " + shown.substr(shown.find(": ") + 2), shown);
        EXPECT_NE(std::string::npos, (f.loads ? dump.out : shown).find(f.expect)) << f.name;
        DPX_HEADER h;
        size_t bytes = 0, fallback = 0;
        if (!f.loads || dpx_io_header_read(f.bytes.data(), f.bytes.size(), &h) || !pixconv_rgba_size(&h, &bytes)) continue;
        std::vector<unsigned char> rgba(bytes);
        pixconv_execute(&h, rgba.data());
        for (size_t i = 0; i < bytes; i += 4) fallback += memcmp(&rgba[i], pixconv_fallback_rgba, 4) == 0;
        size_t converted = f.name == "cut-10bit.dpx" ? 64 * 32 + 1 : h.image_data ? bytes / 4 - fallback : 0;
        EXPECT_EQ(bytes / 4 - converted, fallback) << f.name;
    }
    const dpx_writer file = dpxw_image(dpx_layout(), {});
    std::string a = scratch.save("a.dpx", file), b = scratch.save("b.DPX", file), in = scratch.save("x.dpx.d/f", file),
                bak = scratch.save("s.dpx.bak", file), longest = dir + "/" + std::string(1023 - dir.size() - 5, 'q') + ".dpx";
    EXPECT_EQ(created(a, index + 1) + created(b, index + 2) + created(in, index + 3) + created(bak, index + 4),
              drop({a, b, scratch.save("c.txt", file), scratch.save("s.Dpx", file), in, bak}));
    EXPECT_EQ("found exising workset for " + a + "\n", drop({a}));
    EXPECT_EQ("refused " + longest + "x: path too long (1024 characters or more)\n", drop({longest + "x"}));
    EXPECT_EQ(std::string::npos, drop({longest}).find("path too long"));
    workset_close(workset);
}

TEST(Cli, SectionsChecksJsonAndExitStatuses) {
    const uint32_t e0 = DPXW_ELEMENT0;
    std::string sum = scratch.save("summary.dpx", dpxw_edit(dpxw_image(dpx_layout{true, 1920, 1080}, {}), {
        e0 + DPXW_EL_TRANSFER, 2, 1, e0 + DPXW_EL_COLORIMETRIC, 4, 1, DPXW_SMPTE_TIME_CODE, 0x01000000, 4,
        DPXW_SMPTE_USER_BITS, 0x12AB34CD, 4, DPXW_TEMPORAL_RATE, 0x41C00000 /* 24.0 */, 4, DPXW_TOTAL_SIZE, 1000, 4}));
    dpx_writer w = dpxw_new(false, 2048);
    std::fill(w.bytes.begin() + 4, w.bytes.end(), 0xFF);
    std::string ones = scratch.save("ones.dpx", w);
    w = dpxw_edit(dpxw_new(true, 2100), {DPXW_USER_LENGTH, 132, 4});
    dpxw_bytes(&w, 2048, "USER", 4);
    for (int i = 0; i < 20; i++) w.bytes[2080 + i] = (unsigned char)(0xA0 + i);
    const dpx_writer base = dpxw_image(dpx_layout(), std::vector<unsigned char>(32));
    std::string user = scratch.save("user.dpx", w);
    std::string broken = scratch.save("broken.dpx", dpxw_edit(base, {e0 + DPXW_EL_OFFSET_TO_DATA, 1000000, 4}));
    std::string warned = scratch.save("warned.dpx", dpxw_edit(base, {DPXW_TOTAL_SIZE, 12345, 4}));
    std::string odd = scratch.save("53.dpx", dpxw_edit(base, {e0 + DPXW_EL_DESCRIPTOR, 53, 1, DPXW_ORIENTATION, 2, 2}));
    std::string good = data + "/openimageio-rgb8-le.dpx", missing = scratch.dir + "/missing.dpx", png = scratch.dir + "/o.png";
    struct { std::vector<std::string> args; int status; std::string out = "", err = ""; } cases[] = {
        {{sum}, CLI_OK, "======== " + sum + "\nImage data\n  Preview: Converted as descriptor 50 'R, G, B', 10 bits, "
                        "packing 1, little-endian (layout 9 of 19)\nSummary\n  Image size: 1920 x 1080\n"
                        "  Image element: 10 bits 'R, G, B'\n  Image packing: Filled to 32-bit words, method A\n"
                        "  Transfer characteristic: Linear\n  Colorimetric specification: Unspecified video\n"
                        "  SMPTE time code: 01:00:00.00\n  SMPTE user bits: 0x12ab34cd\n  Frame rate (Hz): 24.000000\n"
                        "  File type: Little Endian\n  File size:\n    Generic section:     1664 bytes\n"
                        "    Industry specific:      384 bytes\n    User-defined:        0 bytes\n"
                        "    Total image file size:     1000 bytes\n\n    [Calculated meta data size]:     2048 bytes\n"
                        "    [Calculated image data size]: 4294966248 bytes\nFile information header\n"},
        {{sum}, CLI_OK, "  Data structure for image element 1 (in use)\n"},
        {{sum}, CLI_OK, "  Data structure for image element 2 (not in use)\n"},
        {{sum}, CLI_OK, "User defined data\n  User identification: (none)\nChecks\n"},
        {{ones}, CLI_OK, "  SMPTE time code:\n  SMPTE user bits:\n  Frame rate (Hz): (Undefined)\n"},
        {{user}, CLI_OK, "User defined data\n  User identification: 'USER                            '\n  Data size: 100 "
                         "bytes\n  Data stream:\n    0x00000000 : A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF\n"
                         "    0x00000010 : B0 B1 B2 B3\n    (80 of the 100 declared bytes are missing from the file)\nChecks\n"},
        {{odd}, CLI_OK, "  Preview: Fallback colour (0, 0, 240): no conversion for descriptor 53 'Reserved for "
                        "future RGB ++ formats', 10 bits, packing 1, big-endian\n"},
        {{odd}, CLI_OK, "  Image orientation: 2 'Left to right / Bottom to top'\n"},
        {{broken}, CLI_OK, "Checks\n  error image-offset-past-end: "},
        {{"--check", warned}, CLI_OK, warned + ": warning file-size-mismatch: "},
        {{"--check", broken, warned}, CLI_CHECK_ERRORS, broken + ": error image-offset-past-end: "},
        {{"--check", broken, missing}, CLI_REFUSED, "", "refused " + missing + ": cannot open (No such file or directory)\n"},
        {{"--check", good}, CLI_OK, good + ": No findings\n"}, {{good, missing}, CLI_REFUSED, "======== " + good},
        {{}, CLI_USAGE}, {{"--no-such-option", good}, CLI_USAGE}, {{"--help"}, CLI_OK, "--json"},
        {{"--version"}, CLI_OK, "tessaview-dump 0.6.0"}, {{"--element", "2", good}, CLI_USAGE},
        {{"--picture", png, good, good}, CLI_USAGE}, {{"--picture", png, "--element", "9", good}, CLI_USAGE},
        {{"--picture", png, "--element", "2", good}, CLI_REFUSED}, {{"--picture", good + "/x.png", good}, CLI_REFUSED},
        {{"--picture", png, data + "/oiio-rgb10-orient-bottomup.dpx"}, CLI_OK,
         png + ": element 1, 32 x 16, 3 channels of 16 bits, orientation 2 applied\n"},
    };
    for (const auto& c : cases) {
        run_result r = run(c.args);
        EXPECT_TRUE(r.status == c.status && r.out.find(c.out) != std::string::npos && r.err.find(c.err) != std::string::npos)
            << r.status << " for " << c.args.size() << " arguments; want\n" << c.out << c.err << "\nin\n" << r.out << r.err;
    }
    nlohmann::json doc = nlohmann::json::parse(run({"--json", sum, missing, ones}).out);
    EXPECT_EQ(R"({"loaded":false,"path":")" + missing + R"j(","reason":"cannot open (No such file or directory)"})j", doc[1].dump());
    EXPECT_TRUE(doc[0]["path"] == sum && doc[0]["loaded"] == true && doc[0]["byte_order"] == "little" &&
                doc[2]["byte_order"] == "big" && doc[0]["sections"][3]["panels"][1]["title"] == "Data structure for "
                "image element 2 (not in use)") << doc[0];
    EXPECT_EQ(R"({"bytes":"56322E3000000000","label":"Version number of header format","raw":null,"undefined":false,)"
              R"("value":"'V2.0    '"})", doc[0]["sections"][2]["rows"][2].dump());
    EXPECT_EQ(R"j({"label":"Encryption key","raw":4294967295,"undefined":true,"value":"(Undefined)"})j",
              doc[2]["sections"][2]["rows"][13].dump());
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
    EXPECT_TRUE(file.image_size == 2048 + 32 + 64 && file.file_size == (uint64_t)2 << 30 && file.header.user_data_size == 64);
    dpx_file_free(&file);
}

// Every peer file's dump, row for row, as its File window shows it with every panel open; compared
// without spaces, colons, separators and the preview, control characters as the window has them.
TEST(Cli, TextEqualsTheFileWindowRowForRow) {
    auto lines = [](const std::string& text, bool dump) {
        std::vector<std::string> list;
        std::istringstream in(text.substr(0, text.find("\nChecks\n")));
        for (std::string line; std::getline(in, line);) {
            for (size_t at; dump && (at = line.find("\\x")) != std::string::npos;)
                line.replace(at, 4, 1, (char)std::stoi(line.substr(at + 2, 2), nullptr, 16));
            line = std::regex_replace(std::regex_replace(line, std::regex("[ :#]"), ""), std::regex("^(-+|Preview.*|=+.*)$"), "");
            if (!line.empty() && (!list.empty() || line == "Imagedata")) list.push_back(line);
        }
        return list;
    };
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
        if (entry.path().extension() != ".dpx") continue;
        files++;
        headless_gui_begin();
        thumbnail_stub_reset();
        headless_gui gui;
        headless_gui_load(&gui, dpxw_load(entry.path()), 1);
        headless_gui_frame(&gui);
        headless_gui_open_panels(&gui);
        std::vector<std::string> window = lines(headless_gui_frame(&gui), false);
        headless_gui_end();
        EXPECT_GT(window.size(), 300u) << entry.path();
        EXPECT_EQ(window, lines(run({entry.path()}).out, true)) << entry.path();
    }
    EXPECT_GE(files, 30);
}
