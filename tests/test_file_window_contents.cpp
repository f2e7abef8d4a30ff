// The File window drawn headless: the preview's drawn size or why there is none, placement, the
// user data dump, the menu bar with its Checks and Picture windows, the memory bound, the About
// window, and the Compare window.
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "app/menu.h"
#include "budget/budget.h"
#include "inspector/dump.h"
#include "inspector/window_checks.h"
#include "inspector/window_compare.h"
#include "inspector/window_dpx_file.h"
#include "inspector/window_picture.h"
#include "support/dpx_writer.h"
#include "support/headless_gui.h"

// Every call of the checks passes here (the test is linked with --wrap), so that they can be counted.
int checks_calls = 0;
std::vector<CHECK_FINDING> real_checks_run(const DPX_HEADER*, uint64_t) __asm__("__real__Z10checks_runPK10DPX_HEADERm");
std::vector<CHECK_FINDING> counted_checks_run(const DPX_HEADER* header, uint64_t file_size)
    __asm__("__wrap__Z10checks_runPK10DPX_HEADERm");
std::vector<CHECK_FINDING> counted_checks_run(const DPX_HEADER* header, uint64_t file_size) {
    checks_calls++;
    return real_checks_run(header, file_size);
}

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

dpx_writer sized(uint32_t width, uint32_t height) {
    return dpxw_edit(dpxw_image(dpx_layout(), std::vector<unsigned char>(32)),
                     {DPXW_PIXELS_PER_LINE, width, 4, DPXW_LINES, height, 4});
}

struct FileWindow : ::testing::Test {
    headless_gui gui;
    ImVec2 first; // the size the File window opens at, before the frames here set it
    void SetUp() override { headless_gui_begin(); }
    void TearDown() override { window_picture_shutdown(), headless_gui_unload(&gui), headless_gui_end(); }
    std::string show(const dpx_writer& w, int index = 1, float width = 700) { // the first frame sizes the window
        headless_gui_load(&gui, w.bytes, index);
        headless_gui_frame(&gui, width);
        return first = ImGui::FindWindowByName(gui.work.name)->Size, headless_gui_frame(&gui, width);
    }
    std::string twice(const std::function<void()>& draw) { return headless_gui_text(draw), headless_gui_text(draw); }
};

} // namespace

// As wide as the window less 35, as high as the picture's aspect gives for the whole window width,
// thin pictures like any other, or one line saying why not; the window placed by its number (51
// tells a margin added after the wrap from one added before it).
TEST_F(FileWindow, PreviewDrawnSizeOrWhyThereIsNoneAndPlacement) {
    struct { uint32_t width, height; float window, index, x; unsigned texture; const char* why; float w = 0, h = 0; }
        cases[] = {
        {1920, 1080, 520, 1, 70, 7, nullptr, 485, 292}, {1920, 1080, 700, 25, 1270, 7, nullptr, 665, 393},
        {2048, 1556, 520, 26, 40, 7, nullptr, 485, 395}, {16384, 1, 700, 51, 1290, 7, nullptr, 665, 0},
        {1920, 3, 520, 2, 120, 7, nullptr, 485, 0},
        {4, 2, 32, 1, 70, 7, "No preview: the window is too narrow to draw the picture"},
        {4, 2, 700, 1, 70, 0, "No preview: no texture could be made for the picture"},
        {4, 2, 700, 100, 1180, 7, "No preview: file 100 has no preview slot (only files 1 to 99 have one)"},
    };
    for (auto c : cases) {
        TearDown(), SetUp();
        thumbnail_stub.next_texture = c.texture;
        std::string text = show(sized(c.width, c.height), (int)c.index, c.window);
        ImVec2 size(0, 0); // of the quad drawn with the preview's texture: corners 0 and 2 of its first triangle
        ImDrawData* data = ImGui::GetDrawData();
        for (const ImDrawList* l : std::vector<ImDrawList*>(data->CmdLists, data->CmdLists + data->CmdListsCount))
            for (const ImDrawCmd& cmd : l->CmdBuffer)
                if (cmd.GetTexID() == (ImTextureID)7) {
                    auto at = [&](int i) { return l->VtxBuffer[int(cmd.VtxOffset + l->IdxBuffer[cmd.IdxOffset + i])]; };
                    size = ImVec2(at(2).pos.x - at(0).pos.x, at(2).pos.y - at(0).pos.y);
                }
        ImVec2 pos = ImGui::FindWindowByName(gui.work.name)->Pos;
        EXPECT_TRUE(size.x == c.w && size.y == c.h && pos.x == c.x && pos.y == 20 && first.x == 520 && first.y == 700 &&
                    has(text, c.w ? "Summary" : c.why) && has(text, "No preview") == !c.w)
            << c.width << " x " << c.height << " in " << c.window << ": " << size.x << " x " << size.y << ", " << pos.x;
    }
    thumbnail_stub.refusal = "No preview: it needs more"; // the memory bound's refusal
    EXPECT_TRUE(has(show(sized(4, 2)), thumbnail_stub.refusal));
}

// The bytes the file holds and a line saying what is missing; what follows the dump starts at
// the value cell's left edge whatever its last line held.
TEST_F(FileWindow, UserDataShowsWhatTheFileHolds) {
    dpx_writer w = dpxw_edit(dpxw_new(false, 2080 + 40), {DPXW_USER_LENGTH, 32 + 1048576, 4});
    for (int i = 0; i < 40; i++) w.bytes[2080 + i] = (unsigned char)i;
    EXPECT_TRUE(has(show(w), "Data stream 0x00000000 : 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n"
                             "0x00000010 : 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F\n0x00000020 : 20 21 22 "
                             "23 24 25 26 27\n(1048536 of the 1048576 declared bytes are missing from the file)\n"));
    for (uint64_t count : {1u, 16u, 17u, 40u})
        headless_gui_text([&] {
            ImGui::Begin("dump");
            ImGui::Columns(2, nullptr, true);
            ImGui::NextColumn();
            float left = ImGui::GetCursorScreenPos().x;
            user_defined_data_dump(w.bytes.data() + 2080, count);
            ImGui::TextUnformatted("after");
            EXPECT_EQ(left, ImGui::GetItemRectMin().x) << count;
            ImGui::End();
        });
}

// The menu bar counts the findings in the colour of the worst; its items open the Checks and
// Picture windows, which close with the File window and free the picture's buffer and texture;
// a picture past the memory bound gets a line instead. The About window's text.
TEST_F(FileWindow, MenuBarChecksAndPictureWindows) {
    EXPECT_TRUE(has(show(sized(4, 2)), "Picture No findings\n"));
    checks_calls = 0;
    EXPECT_TRUE(has(show(dpxw_edit(sized(4, 2), {DPXW_TOTAL_SIZE, 12345, 4})), "Picture 1 warning\n"));
    for (int frame = 0; frame < 50; frame++)
        headless_gui_frame(&gui);
    EXPECT_EQ(checks_calls, 1); // at the load, never in a frame
    const CHECK_FINDING error{CHECK_ERROR, "a", "", {}}, warning{CHECK_WARNING, "b", "", {}};
    auto tint = [](std::vector<CHECK_FINDING> f) { std::array<float, 4> c; window_checks_colour(f, &c[0]); return c; };
    EXPECT_TRUE(tint({error, warning}) == tint({error}) && tint({error, warning}) != tint({warning}));
    gui.work.checks_visible = gui.work.picture_visible = true;
    EXPECT_TRUE(has(twice([&] { window_checks(&gui.work, gui.work.findings); }),
                    "warning file-size-mismatch\ntotal_image_file_size is 12345 but the file holds 8224 bytes"));
    EXPECT_TRUE(has(twice([&] { window_picture(&gui.work); }), "1: 10 bits 'R, G, B', packing 1") &&
                budget_used() == 4 * 2 * 4 * 2 + 8224); // the picture and its buffer, and the file's bytes
    gui.work.visible = false;
    headless_gui_text([&] { window_dpx_file(&gui.work, &gui.config, nullptr); });
    EXPECT_TRUE(!gui.work.checks_visible && !gui.work.picture_visible && !budget_used());
    ASSERT_TRUE(budget_take(budget_limit() - 16));
    gui.work.picture_visible = true;
    EXPECT_TRUE(has(twice([&] { window_picture(&gui.work); }), "No picture: it needs 1 MiB, and previews and pictures "
                                                               "already hold"));
    budget_give(budget_limit() - 16);
    bool about = true;
    EXPECT_TRUE(has(twice([&] { window_about(&about); }), "Tessaview (Version 0.6.0)\nA DPX header investigation tool "
                                                          "for the professional video creation workflow\n"));
}

// A decoded element's reading and padding bits in the Picture window; the note joins the checks
// only once the picture is decoded, and once however often it is drawn. FFmpeg's short file.
TEST_F(FileWindow, PictureWindowReadingPaddingBitsAndTheirNote) {
    const std::string scan = dpxw_data_dir() + "/scanners/";
    EXPECT_TRUE(has(show({dpxw_load(scan + "0008_VersionNumber_v.dpx"), false}, 3), "Slate information (not in file)\n"));
    show({dpxw_load(scan + "Y_10_FilledA_BE_Modified_4x4_Lasergraphics.dpx"), false});
    gui.work.picture_visible = true;
    EXPECT_TRUE(has(twice([&] { window_picture(&gui.work); }), "Standard's reading\nRead with lines not padded to "
                    "32-bit words, as Lasergraphics ScanStation writes them.\npadding bits not zero in 0 of 6 words"));
    show({dpxw_load(scan + "padding-bits-not-zero-Y_10_FilledA_BE.dpx"), false}, 2);
    gui.work.checks_visible = gui.work.picture_visible = true;
    EXPECT_TRUE(gui.work.findings.size() == 1 && !has(twice([&] { window_picture(&gui.work); }), "Standard's reading"));
    EXPECT_TRUE(has(twice([&] { window_checks(&gui.work, gui.work.findings); }), "note padding-bits\nelement 1: padding "
                    "bits not zero in 66 of 275 words (filled 10-bit, method A: bits 1..0)") && gui.work.findings.size() == 2);
}

// The Compare window: the rows that differ, a text field's differing bytes under its values, every
// row side by side, the expected fields hidden; opened again, it reads the files again; a file that
// cannot be read. The toggles live in the window's state, set here as clicks would.
TEST_F(FileWindow, CompareWindowRowsAndToggles) {
    const std::string a = ::testing::TempDir() + "compare-a.dpx", b = ::testing::TempDir() + "compare-b.dpx";
    ASSERT_TRUE(dpxw_save(sized(4, 2), a) && dpxw_save(dpxw_edit(sized(4, 2), {20, 1, 4, 1712, 7, 4, 1677, 'Q', 1}), b));
    auto frame = [](bool all, bool hide) {
        return headless_gui_text([&] {
            window_compare_draw_all();
            ImGui::SetWindowSize("###Compare 1", ImVec2(1500, 150000), ImGuiCond_Always);
            ImGui::Begin("###Compare 1");
            ImGui::GetStateStorage()->SetBool(ImGui::GetID("All rows"), all);
            ImGui::GetStateStorage()->SetBool(ImGui::GetID("Hide fields expected to change"), hide);
            ImGui::End();
        });
    };
    const std::string film = "| Motion-picture film information header | ",
                      ditto = "| File information header | Ditto key | 0x00000000 | 0x00000001 |\n",
                      count = film + "Count | '    ' | '    ' |\n| | bytes at 1 | 00 | 51 |\n",
                      position = film + "Frame position in sequence (expected to change) | 0 | 7 |\n",
                      same = "| File information header | Encryption key | 0x00000000 | 0x00000000 |\n";
    struct { bool all, hide; std::vector<std::string> shown, hidden; } cases[] = {
        {false, false, {"Compare compare-a.dpx / compare-b.dpx\nA: " + a + "\nB: " + b, "3 of 185 rows differ, 1 of them "
                        "expected to change\n| Section | Field | compare-a.dpx | compare-b.dpx |\n" + ditto + count + position},
         {same}},
        {true, false, {ditto, same, position}, {}},
        {true, true, {ditto, same}, {position, "Total image file size"}},
        {false, true, {ditto + count}, {position, same}},
    };
    window_compare_open(a.c_str(), b.c_str());
    for (const auto& c : cases) {
        frame(c.all, c.hide); // the toggles set in a frame show in the next
        std::string text = frame(c.all, c.hide);
        for (const std::string& part : c.shown)
            EXPECT_TRUE(has(text, part)) << c.all << c.hide << part << " in\n" << text;
        for (const std::string& part : c.hidden)
            EXPECT_FALSE(has(text, part)) << c.all << c.hide << part;
    }
    ASSERT_TRUE(dpxw_save(sized(4, 2), b));
    window_compare_open(a.c_str(), b.c_str());
    EXPECT_TRUE(has(frame(false, false), "No row differs\n| Section |"));
    window_compare_shutdown(); // the log ends with the first window drawn
    window_compare_open(a.c_str(), (b + "x").c_str());
    frame(false, false);
    std::string text = frame(false, false);
    EXPECT_TRUE(has(text, "B: " + b + "x\nCannot read " + b + "x: cannot open (No such file or directory)")) << text;
    window_compare_shutdown();
    std::remove(a.c_str()), std::remove(b.c_str());
}
