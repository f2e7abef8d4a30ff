// tessaview-dump: the same rows as the File window, JSON that parses back,
// exit statuses, and the same refusals as the program.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include "app/workset.h"
#include "cli/cli.h"
#include "dpx/dpx_file.h"
#include "support/dpx_writer.h"
#include "support/headless_gui.h"
#include "support/hostile_corpus.h"
#include "support/thumbnail_stub.h"

namespace {

struct run_result {
    int status;
    std::string out, err;
};

std::string read_all(FILE* f)
{
    std::string text;
    rewind(f);
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, n);
    fclose(f);
    return text;
}

run_result run(const std::vector<std::string>& args)
{
    std::vector<const char*> argv = {"tessaview-dump"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    FILE* out = tmpfile();
    FILE* err = tmpfile();
    int status = cli_run((int)argv.size(), argv.data(), out, err);
    return {status, read_all(out), read_all(err)};
}

std::string data_dir()
{
    const char* dir = getenv("TESSA_TEST_DATA");
    return dir ? dir : "tests/data";
}

std::vector<std::string> peer_files()
{
    std::vector<std::string> paths;
    DIR* d = opendir(data_dir().c_str());
    while (dirent* e = d ? readdir(d) : nullptr) {
        std::string name = e->d_name;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".dpx")
            paths.push_back(data_dir() + "/" + name);
    }
    if (d)
        closedir(d);
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string collapse(const std::string& line)
{
    static const std::regex spaces(" +");
    std::string text = std::regex_replace(line, spaces, " ");
    size_t a = text.find_first_not_of(' ');
    size_t b = text.find_last_not_of(' ');
    return a == std::string::npos ? "" : text.substr(a, b - a + 1);
}

// The window's lines as the log gives them: headers carry "###" marks and
// separators are lines of dashes.
std::vector<std::string> window_lines(const std::vector<unsigned char>& image)
{
    headless_gui_begin();
    thumbnail_stub_reset();
    headless_gui gui;
    headless_gui_load(&gui, image, 1);
    headless_gui_frame(&gui);
    ImGui::NewFrame();
    ImGui::Begin(gui.work.name);
    for (int n = 1; n <= 8; n++)
        for (const char* use : {"in use", "not in use"})
            ImGui::GetStateStorage()->SetInt(
                ImGui::GetID(("Data structure for image element " + std::to_string(n) + " (" + use + ")").c_str()), 1);
    ImGui::End();
    ImGui::EndFrame();
    std::vector<std::string> lines;
    bool started = false;
    for (std::string line : headless_gui_lines(headless_gui_frame(&gui))) {
        line = collapse(std::regex_replace(line, std::regex("###"), ""));
        started = started || line == "Image data";
        if (started && !line.empty() && line.find_first_not_of('-') != std::string::npos)
            lines.push_back(line);
    }
    headless_gui_end();
    return lines;
}

// Control characters, which the dump shows as \xNN, as the window has them.
std::string unescape(const std::string& line)
{
    std::string text;
    for (size_t i = 0; i < line.size(); i++) {
        if (line.compare(i, 2, "\\x") == 0 && i + 4 <= line.size()) {
            text += (char)std::stoi(line.substr(i + 2, 2), nullptr, 16);
            i += 3;
        } else {
            text += line[i];
        }
    }
    return text;
}

// The dump's lines in the window's form: "label: value" becomes "label value";
// byte lines, titles and the preview line (the window draws a picture there)
// are taken as they are or left out.
std::vector<std::string> dump_lines(const std::string& text)
{
    static const std::regex bytes("^([0-9A-F]{2} )*[0-9A-F]{2}$|^0x[0-9A-F]{8} :");
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = collapse(unescape(text.substr(at, end - at)));
        at = end + 1;
        if (line == "Checks")
            break;
        if (line.empty() || line.rfind("========", 0) == 0 || line.rfind("Preview:", 0) == 0)
            continue;
        if (!std::regex_search(line, bytes)) {
            size_t colon = line.find(": ");
            if (colon != std::string::npos)
                line.replace(colon, 2, " ");
            else if (line.back() == ':')
                line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST(Cli, TextEqualsTheFileWindowRowForRow)
{
    std::vector<std::string> peers = peer_files();
    ASSERT_GE(peers.size(), 30u);
    for (const std::string& path : peers) {
        run_result r = run({path});
        ASSERT_EQ(CLI_OK, r.status) << path << r.err;
        EXPECT_EQ(0u, r.out.find("======== " + path + "\nImage data\n  Preview: ")) << path;
        std::vector<std::string> window = window_lines(dpxw_load(path));
        std::vector<std::string> dump = dump_lines(r.out);
        ASSERT_GT(window.size(), 300u) << path;
        EXPECT_EQ(window, dump) << path;
    }
}

TEST(Cli, JsonParsesBackWithTheNamesScriptsUse)
{
    std::string good = data_dir() + "/imagemagick-rgb10-be.dpx";
    std::string little = data_dir() + "/ffmpeg-rgb10-le.dpx";
    run_result r = run({"--json", good, "/nonexistent/x.dpx", little});
    EXPECT_EQ(CLI_REFUSED, r.status);
    nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << r.out.substr(0, 200);
    ASSERT_EQ(3u, doc.size());

    EXPECT_EQ(good, doc[0]["path"]);
    EXPECT_EQ(true, doc[0]["loaded"]);
    EXPECT_EQ("big", doc[0]["byte_order"]);
    EXPECT_EQ("little", doc[2]["byte_order"]);
    const nlohmann::json& sections = doc[0]["sections"];
    ASSERT_EQ(8u, sections.size());
    EXPECT_EQ("Image data", sections[0]["title"]);
    EXPECT_EQ("User defined data", sections[7]["title"]);
    ASSERT_EQ(8u, sections[3]["panels"].size());
    EXPECT_EQ("Data structure for image element 2 (not in use)", sections[3]["panels"][1]["title"]);

    // Rows: a number, an undefined field, a text field and a float.
    auto find = [&](const nlohmann::json& rows, const std::string& label) {
        for (const nlohmann::json& row : rows)
            if (row["label"] == label)
                return row;
        return nlohmann::json();
    };
    nlohmann::json width = find(sections[3]["rows"], "Pixels per line");
    EXPECT_EQ("32", width["value"]);
    EXPECT_EQ(32, width["raw"]);
    EXPECT_EQ(false, width["undefined"]);
    EXPECT_FALSE(width.contains("bytes"));
    nlohmann::json key = find(sections[2]["rows"], "Encryption key");
    EXPECT_EQ("(Undefined)", key["value"]);
    EXPECT_EQ(0xFFFFFFFFu, key["raw"]);
    EXPECT_EQ(true, key["undefined"]);
    nlohmann::json version = find(sections[2]["rows"], "Version number of header format");
    EXPECT_EQ("'V2.0    '", version["value"]);
    EXPECT_EQ(nullptr, version["raw"]);
    EXPECT_EQ("56322E3000000000", version["bytes"]);
    nlohmann::json rate = find(doc[2]["sections"][1]["rows"], "Frame rate (Hz)");
    EXPECT_TRUE(rate["raw"].is_number_float());
    EXPECT_TRUE(doc[0]["checks"].is_array());

    EXPECT_EQ("/nonexistent/x.dpx", doc[1]["path"]);
    EXPECT_EQ(false, doc[1]["loaded"]);
    EXPECT_EQ("cannot open (No such file or directory)", doc[1]["reason"]);
    EXPECT_FALSE(doc[1].contains("sections"));
}

TEST(Cli, UserDataAsAnOffsetDumpAndWhatIsMissing)
{
    dpx_writer w = dpxw_new(true, 2080 + 20);
    dpxw_u32(&w, DPXW_USER_LENGTH, 32 + 100);
    for (int i = 0; i < 20; i++)
        w.bytes[2080 + i] = (unsigned char)(0xA0 + i);
    char path[] = "/tmp/tessa-cli-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_TRUE(dpxw_save(w, path));
    run_result r = run({path});
    EXPECT_NE(std::string::npos, r.out.find("  Data size: 100 bytes\n  Data stream:\n"
                                            "    0x00000000 : A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF\n"
                                            "    0x00000010 : B0 B1 B2 B3\n"
                                            "    (80 of the 100 declared bytes are missing from the file)\n"))
        << r.out;
    nlohmann::json doc = nlohmann::json::parse(run({"--json", path}).out);
    nlohmann::json rows = doc[0]["sections"][7]["rows"];
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("A0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2B3", rows[2]["bytes"]);
    unlink(path);
}

TEST(Cli, ExitStatuses)
{
    std::string good = data_dir() + "/openimageio-rgb8-le.dpx";
    struct {
        std::vector<std::string> args;
        int status;
        const char* out; // a text the output holds
    } cases[] = {
        {{good}, CLI_OK, "Image data"},
        {{good, good}, CLI_OK, "======== "},
        {{good, "/nonexistent.dpx"}, CLI_REFUSED, "======== "},
        {{}, CLI_USAGE, ""},
        {{"--no-such-option", good}, CLI_USAGE, ""},
        {{"--help"}, CLI_OK, "--json"},
        {{"--version"}, CLI_OK, "tessaview-dump 0.6.0"},
        {{"--check", good}, CLI_OK, "No findings"},
        {{"--check", good, "/nonexistent.dpx"}, CLI_REFUSED, "No findings"},
        {{"--picture", "/tmp/tessa-cli-two.png", good, good}, CLI_USAGE, ""},
        {{"--element", "2", good}, CLI_USAGE, ""},
        {{"--picture", "/tmp/tessa-cli-nine.png", "--element", "9", good}, CLI_USAGE, ""},
        {{"--picture", "/tmp/tessa-cli-two.png", "--element", "2", good}, CLI_REFUSED, ""},
        {{"--picture", "/nonexistent/dir/x.png", good}, CLI_REFUSED, ""},
    };
    for (const auto& c : cases) {
        run_result r = run(c.args);
        EXPECT_EQ(c.status, r.status) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_NE(std::string::npos, r.out.find(c.out)) << r.out;
    }
}

TEST(Cli, CheckGatesOnErrorsOnly)
{
    // Element 1 starting past the end of the file is an error; a size that
    // disagrees with the file is only a warning.
    dpx_writer broken = dpxw_image(dpx_layout{}, std::vector<unsigned char>(32, 0));
    dpxw_u32(&broken, DPXW_ELEMENT0 + DPXW_EL_OFFSET_TO_DATA, 1000000);
    dpx_writer warned = dpxw_image(dpx_layout{}, std::vector<unsigned char>(32, 0));
    dpxw_u32(&warned, DPXW_TOTAL_SIZE, 12345);
    std::string a = "/tmp/tessa-cli-broken.dpx", b = "/tmp/tessa-cli-warned.dpx";
    ASSERT_TRUE(dpxw_save(broken, a));
    ASSERT_TRUE(dpxw_save(warned, b));
    run_result r = run({"--check", b});
    EXPECT_EQ(CLI_OK, r.status) << r.out;
    EXPECT_NE(std::string::npos, r.out.find(b + ": warning file-size-mismatch: ")) << r.out;
    r = run({"--check", a, b});
    EXPECT_EQ(CLI_CHECK_ERRORS, r.status) << r.out;
    EXPECT_NE(std::string::npos, r.out.find(a + ": error image-offset-past-end: ")) << r.out;
    // Without --check the findings are printed but do not change the status.
    r = run({a});
    EXPECT_EQ(CLI_OK, r.status);
    EXPECT_NE(std::string::npos, r.out.find("Checks\n  error image-offset-past-end: ")) << r.out;
    nlohmann::json doc = nlohmann::json::parse(run({"--check", "--json", a}).out);
    EXPECT_FALSE(doc[0].contains("sections"));
    EXPECT_EQ("error", doc[0]["checks"][0]["severity"]);
    EXPECT_EQ("image-offset-past-end", doc[0]["checks"][0]["id"]);
    EXPECT_TRUE(doc[0]["checks"][0]["fields"].is_array());
    unlink(a.c_str());
    unlink(b.c_str());
}

// The dump reads no further than the user-defined header: a file of 2 GiB
// costs what its header holds.
TEST(Cli, HeaderOnlyReadsHoldTheHeaderAndUserData)
{
    char path[] = "/tmp/tessa-cli-big-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    dpx_writer w = dpxw_image(dpx_layout{}, std::vector<unsigned char>(32, 0x55));
    dpxw_u32(&w, DPXW_USER_LENGTH, 32 + 64);
    ASSERT_EQ((ssize_t)w.bytes.size(), write(fd, w.bytes.data(), w.bytes.size()));
    ASSERT_EQ(0, ftruncate(fd, (off_t)2 << 30));
    close(fd);
    DPX_FILE file;
    char reason[DPX_FILE_REASON_SIZE];
    ASSERT_TRUE(dpx_file_load(path, DPX_FILE_HEADER_ONLY, &file, reason)) << reason;
    EXPECT_EQ(2048u + 32 + 64, file.image_size);
    EXPECT_EQ((uint64_t)2 << 30, file.file_size);
    EXPECT_EQ(64u, file.header.user_data_size);
    dpx_file_free(&file);
    unlink(path);
}

// Every hostile file gets the same outcome from the dump as from a drop,
// and directories and FIFOs are refused at once by both.
TEST(Cli, SameOutcomeAsTheProgramForHostileAndSpecialFiles)
{
    char tmpl[] = "/tmp/tessa-cli-hostile-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    std::string dir = tmpl;
    ASSERT_TRUE(hostile_corpus_write(dir));
    std::vector<std::string> paths;
    for (const hostile_file& f : hostile_corpus())
        paths.push_back(dir + "/" + f.name);
    ASSERT_EQ(0, mkdir((dir + "/folder.dpx").c_str(), 0700));
    ASSERT_EQ(0, mkfifo((dir + "/pipe.dpx").c_str(), 0600));
    paths.push_back(dir + "/folder.dpx");
    paths.push_back(dir + "/pipe.dpx");

    workset = workset_open();
    for (const std::string& path : paths) {
        const char* drop[] = {path.c_str()};
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        dropCallback(nullptr, 1, drop);
        fflush(stdout);
        std::string created = testing::internal::GetCapturedStdout();
        std::string program = testing::internal::GetCapturedStderr();
        run_result r = run({path});
        if (created.empty()) {
            EXPECT_EQ(CLI_REFUSED, r.status) << path;
            EXPECT_EQ(program, r.err) << path;
            EXPECT_EQ("", r.out) << path;
        } else {
            EXPECT_EQ(CLI_OK, r.status) << path << r.err;
            EXPECT_EQ("", program) << path;
            EXPECT_NE(std::string::npos, r.out.find("Magic number (SDPX ASCII): 0x53445058")) << path;
        }
    }
    workset_close(workset);
    workset = nullptr;
    run_result r = run({dir + "/folder.dpx", dir + "/pipe.dpx"});
    EXPECT_EQ("refused " + dir + "/folder.dpx: not a regular file (a directory)\nrefused " + dir +
                  "/pipe.dpx: not a regular file (a FIFO)\n",
              r.err);
    ASSERT_EQ(0, system(("rm -rf '" + dir + "'").c_str()));
}

// The element as the header says it stands: the bottom-up file has red at
// the bottom left, in 16-bit RGB because its samples have 10 bits.
TEST(Cli, PictureExportAppliesTheOrientation)
{
    std::string out = "/tmp/tessa-cli-export.png";
    run_result r = run({"--picture", out, data_dir() + "/oiio-rgb10-orient-bottomup.dpx"});
    ASSERT_EQ(CLI_OK, r.status) << r.err;
    EXPECT_EQ(out + ": element 1, 32 x 16, 3 channels of 16 bits, orientation 2 applied\n", r.out);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, out.c_str()));
    EXPECT_EQ(32u, image.width);
    EXPECT_EQ(16u, image.height);
    EXPECT_EQ((png_uint_32)PNG_FORMAT_FLAG_COLOR | PNG_FORMAT_FLAG_LINEAR, image.format);
    std::vector<uint16_t> rgb(32 * 16 * 3);
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    auto at = [&](int x, int y) {
        const uint16_t* p = &rgb[(size_t)(y * 32 + x) * 3];
        return std::vector<int>{p[0] >> 8, p[1] >> 8, p[2] >> 8};
    };
    EXPECT_EQ((std::vector<int>{255, 0, 0}), at(0, 15));
    EXPECT_EQ((std::vector<int>{0, 255, 0}), at(31, 15));
    EXPECT_EQ((std::vector<int>{0, 0, 255}), at(0, 0));
    EXPECT_EQ((std::vector<int>{255, 255, 255}), at(31, 0));
    unlink(out.c_str());
}
