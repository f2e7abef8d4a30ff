// The File window's contents, read back from the text that its rows submit.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <imgui.h>

#include "display/budget.h"
#include "inspector/dump.h"
#include "inspector/window_checks.h"
#include "inspector/window_dpx_file.h"
#include "inspector/window_picture.h"
#include "support/dpx_writer.h"
#include "support/headless_gui.h"
#include "support/thumbnail_stub.h"

namespace {

struct FileWindowContents : ::testing::Test {
    headless_gui gui;

    void SetUp() override
    {
        headless_gui_begin();
        thumbnail_stub_reset();
    }
    void TearDown() override
    {
        window_picture_shutdown();
        headless_gui_end();
    }

    // The second frame: the first one opens the window at its default size.
    std::vector<std::string> show(const dpx_writer& w, int index = 1)
    {
        headless_gui_load(&gui, w.bytes, index);
        headless_gui_frame(&gui);
        return headless_gui_lines(headless_gui_frame(&gui));
    }
};

dpx_writer base(bool little = false)
{
    return dpxw_image(dpx_layout{little}, std::vector<unsigned char>(32, 0x11));
}

bool has(const std::vector<std::string>& lines, const std::string& text)
{
    for (const std::string& l : lines)
        if (l.find(text) != std::string::npos)
            return true;
    return false;
}

// The line that follows the first line holding `text`.
std::string after(const std::vector<std::string>& lines, const std::string& text)
{
    for (size_t i = 0; i + 1 < lines.size(); i++)
        if (lines[i].find(text) != std::string::npos)
            return lines[i + 1];
    return "<no line with " + text + ">";
}

std::vector<std::string> tokens(const std::string& line)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        size_t j = line.find(' ', i);
        if (j == std::string::npos)
            j = line.size();
        if (j > i)
            out.push_back(line.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

} // namespace

TEST_F(FileWindowContents, SectionsInOrderWithPanelsClosed)
{
    std::vector<std::string> lines = show(base());
    const char* order[] = {"Image data", "Summary", "File information header", "Image information header",
                           "Data structure for image element 1 (in use)",
                           "Data structure for image element 8 (not in use)", "Image source information header",
                           "Motion-picture film information header", "Television information header",
                           "User defined data"};
    size_t at = 0;
    for (const char* title : order) {
        size_t found = at;
        while (found < lines.size() && lines[found].find(title) == std::string::npos)
            found++;
        ASSERT_LT(found, lines.size()) << title << " missing or out of order";
        at = found;
    }
    // The panels start closed: none of their rows is drawn.
    EXPECT_FALSE(has(lines, "Data sign"));
    EXPECT_TRUE(has(lines, "Pixels per line 4"));
    EXPECT_TRUE(has(lines, "Image size 4 x 2"));
}

TEST_F(FileWindowContents, AllOnesShowUndefinedOnlyInGuardedRows)
{
    dpx_writer w = base(true);
    dpxw_u32(&w, DPXW_OFFSET_TO_IMAGE_DATA, 0xFFFFFFFF);
    dpxw_u32(&w, 20, 0xFFFFFFFF); // ditto key
    dpxw_u16(&w, DPXW_ORIENTATION, 0xFFFF);
    dpxw_u32(&w, 1416, 0xFFFFFFFF); // x center
    dpxw_u32(&w, 1420, 0x7FC00000); // y center: a quiet NaN
    dpxw_u32(&w, 1724, 0xFFFFFFFF); // frame rate of original
    dpxw_u32(&w, DPXW_SMPTE_TIME_CODE, 0xFFFFFFFF);
    dpxw_u8(&w, 1928, 0xFF); // interlace
    dpxw_u8(&w, 1930, 0xFF); // video signal standard
    dpxw_u32(&w, DPXW_TEMPORAL_RATE, 0xFFFFFFFF);
    std::vector<std::string> lines = show(w);

    EXPECT_TRUE(has(lines, "Offset to image data in bytes (Undefined)"));
    EXPECT_TRUE(has(lines, "Ditto key (Undefined)"));
    EXPECT_TRUE(has(lines, "Image orientation (Undefined)"));
    EXPECT_TRUE(has(lines, "X center (Undefined)"));
    EXPECT_TRUE(has(lines, "Y center nan"));
    EXPECT_TRUE(has(lines, "Frame rate of original (Undefined)"));
    EXPECT_TRUE(has(lines, "Interlace (Undefined)"));
    EXPECT_TRUE(has(lines, "Video signal standard (Undefined)"));
    EXPECT_TRUE(has(lines, "Temporal sampling rate or frame rate (Hz) (Undefined)"));
    EXPECT_TRUE(has(lines, "Frame rate (Hz) (Undefined)"));
    // Television's time code row is guarded; the summary's is not.
    EXPECT_TRUE(has(lines, "SMPTE time code (Undefined)"));
    EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
                  return l.find("SMPTE time code (Undefined)") != std::string::npos;
              }));
    EXPECT_TRUE(has(lines, "Ditto key") && !has(lines, "Ditto key 0xFFFFFFFF"));
}

TEST_F(FileWindowContents, TextFieldsAndTheirDumps)
{
    dpx_writer w = base();
    dpxw_bytes(&w, DPXW_VERSION, "\0\0\0\0\0\0\0\0", 8);
    dpxw_bytes(&w, 1676, "ABCD", 4); // film "count" field, 4 bytes, no NUL
    std::vector<std::string> lines = show(w);

    EXPECT_TRUE(has(lines, "Version number of header format '        '"));
    std::vector<std::string> dump = tokens(after(lines, "Version number of header format"));
    EXPECT_EQ(std::vector<std::string>(8, "00"), dump);
    EXPECT_TRUE(has(lines, "Count 'ABCD'"));
    EXPECT_EQ((std::vector<std::string>{"41", "42", "43", "44"}), tokens(after(lines, "Count 'ABCD'")));

    // A 100-byte field dumps as six lines of sixteen and one of four.
    size_t first = 0;
    while (first < lines.size() && lines[first].find("Image filename") == std::string::npos)
        first++;
    ASSERT_LT(first + 7, lines.size());
    for (int i = 1; i <= 6; i++)
        EXPECT_EQ(16u, tokens(lines[first + i]).size()) << lines[first + i];
    EXPECT_EQ(4u, tokens(lines[first + 7]).size()) << lines[first + 7];
}

TEST_F(FileWindowContents, FileSizeGroupWrapsInUnsigned32Bits)
{
    dpx_writer w = base();
    dpxw_u32(&w, DPXW_TOTAL_SIZE, 1000);
    dpxw_u32(&w, DPXW_GENERIC_LENGTH, 1664);
    dpxw_u32(&w, DPXW_INDUSTRY_LENGTH, 384);
    std::vector<std::string> lines = show(w);
    EXPECT_TRUE(has(lines, "  [Calculated meta data size]     2048 bytes"));
    EXPECT_TRUE(has(lines, "  [Calculated image data size] 4294966248 bytes"));
    EXPECT_TRUE(has(lines, "  Total image file size     1000 bytes"));

    dpxw_u32(&w, DPXW_TOTAL_SIZE, 0xFFFFFFFF);
    lines = show(w);
    EXPECT_TRUE(has(lines, "  Total image file size 4294967295 bytes"));
    EXPECT_TRUE(has(lines, "Total image file size in bytes (Undefined)"));
}

TEST_F(FileWindowContents, ElementPanelTitlesFollowTheElementCount)
{
    struct {
        uint16_t count;
        int in_use;
    } cases[] = {{1, 1}, {0, 0}, {0xFFFF, 8}, {3, 3}};
    for (auto c : cases) {
        dpx_writer w = base();
        dpxw_u16(&w, DPXW_ELEMENT_COUNT, c.count);
        std::vector<std::string> lines = show(w);
        for (int n = 1; n <= 8; n++) {
            std::string title = "Data structure for image element " + std::to_string(n) +
                                (n <= c.in_use ? " (in use)" : " (not in use)");
            EXPECT_TRUE(has(lines, title)) << title << " for count " << c.count;
        }
        TearDown();
        SetUp();
    }
}

TEST_F(FileWindowContents, OpenPanelShowsElementRows)
{
    dpx_writer w = base();
    size_t e = DPXW_ELEMENT0;
    dpxw_u32(&w, e, 1);                            // data sign
    dpxw_u32(&w, e + 8, 0xFFFFFFFF);               // reference low quantity
    dpxw_u8(&w, e + DPXW_EL_DESCRIPTOR, 0xFF);     // undefined descriptor
    headless_gui_load(&gui, w.bytes, 1);
    headless_gui_frame(&gui);
    // Open panel 1 by its title, as a click would.
    ImGui::NewFrame();
    ImGui::Begin(gui.work.name);
    ImGui::GetStateStorage()->SetInt(ImGui::GetID("Data structure for image element 1 (in use)"), 1);
    ImGui::End();
    ImGui::EndFrame();
    std::vector<std::string> lines = headless_gui_lines(headless_gui_frame(&gui));
    EXPECT_TRUE(has(lines, "Data sign 1"));
    EXPECT_TRUE(has(lines, "Reference low quantity represented (Undefined)"));
    EXPECT_TRUE(has(lines, "Descriptor (Undefined)"));
    EXPECT_TRUE(has(lines, "Bit depth 10"));
    EXPECT_TRUE(has(lines, "Packing 1 'Filled to 32-bit words, method A'"));
    EXPECT_TRUE(has(lines, "Description of image element '                                '"));
    EXPECT_EQ(16u, tokens(after(lines, "Description of image element")).size());
    // Panel 2 stayed closed.
    EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(),
                               [](const std::string& l) { return l.find("Data sign") != std::string::npos; }));
}

TEST_F(FileWindowContents, UserDefinedDataLengths)
{
    struct {
        uint32_t length;
        const char* identification;
        int data_lines;
    } cases[] = {{0, "(none)", 0}, {0xFFFFFFFF, "(none)", 0}, {20, "'USER", 0}, {32, "'USER", 0}, {33, "'USER", 1}};
    for (auto c : cases) {
        dpx_layout layout;
        layout.user_length = c.length == 0xFFFFFFFF ? 0 : c.length;
        dpx_writer w = dpxw_image(layout, std::vector<unsigned char>(32, 0));
        dpxw_u32(&w, DPXW_USER_LENGTH, c.length);
        if (w.bytes.size() >= 2080) {
            dpxw_bytes(&w, 2048, "USER", 4);
            w.bytes[2080] = 0xAB;
        }
        std::vector<std::string> lines = show(w);
        EXPECT_TRUE(has(lines, std::string("User identification ") + c.identification)) << c.length;
        EXPECT_EQ(c.data_lines > 0, has(lines, "Data size 1 bytes")) << c.length;
        EXPECT_EQ(c.data_lines > 0, has(lines, "0x00000000 : AB")) << c.length;
        TearDown();
        SetUp();
    }
}

TEST_F(FileWindowContents, UserDataLongerThanTheFileShowsWhatExists)
{
    dpx_writer w = dpxw_new(false, 2080 + 40);
    dpxw_u32(&w, DPXW_USER_LENGTH, 32 + 1048576);
    for (int i = 0; i < 40; i++)
        w.bytes[2080 + i] = (unsigned char)i;
    std::vector<std::string> lines = show(w);
    EXPECT_TRUE(has(lines, "Data size 1048576 bytes"));
    EXPECT_EQ((std::vector<std::string>{"0x00000010", ":", "10", "11", "12", "13", "14", "15", "16", "17", "18",
                                        "19", "1A", "1B", "1C", "1D", "1E", "1F"}),
              tokens(after(lines, "0x00000000 :")));
    EXPECT_TRUE(has(lines, "0x00000020 : 20 21 22 23 24 25 26 27"));
    EXPECT_FALSE(has(lines, "0x00000030"));
    EXPECT_TRUE(has(lines, "(1048536 of the 1048576 declared bytes are missing from the file)"));
}

TEST_F(FileWindowContents, PreviewBuiltOnceAndRefusedWithAReason)
{
    std::vector<std::string> lines = show(base());
    EXPECT_EQ(std::vector<int>{1}, thumbnail_stub.created);
    EXPECT_EQ(7, gui.work.texture_id);
    EXPECT_FALSE(has(lines, "No preview"));

    struct {
        uint32_t width, height;
        unsigned texture;
        int index;
        const char* reason;
    } cases[] = {
        {0, 2, 7, 1, "no pixels"},
        {4, 0, 7, 1, "no pixels"},
        {0xFFFFFFFF, 0xFFFFFFFF, 7, 1, "does not fit a signed 32-bit integer"},
        {0x80000000u, 2, 7, 1, "does not fit a signed 32-bit integer"},
        {70000, 2, 0, 1, "larger than 16384 pixels on a side"},
        {4, 2, 0, 1, "no texture could be made"},
        {4, 2, 7, 100, "file 100 has no preview slot"},
        {4, 2, 7, 150, "file 150 has no preview slot"},
    };
    for (auto c : cases) {
        TearDown();
        SetUp();
        thumbnail_stub.next_texture = c.texture;
        dpx_writer w = base();
        dpxw_u32(&w, DPXW_PIXELS_PER_LINE, c.width);
        dpxw_u32(&w, DPXW_LINES, c.height);
        lines = show(w, c.index);
        EXPECT_TRUE(has(lines, std::string("No preview: ") ) && has(lines, c.reason)) << c.reason;
        EXPECT_EQ(std::vector<int>{c.index}, thumbnail_stub.created);
    }
}

TEST_F(FileWindowContents, FocusedWindowHandsItsPreviewToNdiWhileOn)
{
    unsigned char pixels[4 * 4 * 2] = {};
    thumbnail_stub.pixels = pixels;
    thumbnail_stub.width = 4;
    thumbnail_stub.height = 2;
    show(base(), 3);
    EXPECT_EQ((std::vector<int>{3, 3}), thumbnail_stub.fetched);

    gui.config.use_ndi = false;
    headless_gui_frame(&gui);
    EXPECT_EQ(2u, thumbnail_stub.fetched.size());

    // Another window takes the focus and keeps it: nothing is sent any more.
    gui.config.use_ndi = true;
    for (int frame = 0; frame < 3; frame++) {
        ImGui::NewFrame();
        window_dpx_file(&gui.work, &gui.config, nullptr);
        if (frame == 0)
            ImGui::SetNextWindowFocus();
        ImGui::Begin("other");
        ImGui::End();
        ImGui::EndFrame();
    }
    EXPECT_EQ(3u, thumbnail_stub.fetched.size());
}

namespace {

// The drawn size of the preview: the quad of texture `texture` in the last frame.
bool image_size(ImTextureID texture, float* w, float* h)
{
    ImDrawData* data = ImGui::GetDrawData();
    for (int n = 0; data && n < data->CmdListsCount; n++) {
        const ImDrawList* list = data->CmdLists[n];
        for (const ImDrawCmd& cmd : list->CmdBuffer) {
            if (cmd.GetTexID() != texture || cmd.ElemCount == 0)
                continue;
            ImVec2 lo(1e9f, 1e9f), hi(-1e9f, -1e9f);
            for (unsigned i = 0; i < cmd.ElemCount; i++) {
                ImVec2 p = list->VtxBuffer[(int)(cmd.VtxOffset + list->IdxBuffer[(int)(cmd.IdxOffset + i)])].pos;
                lo = ImVec2(std::min(lo.x, p.x), std::min(lo.y, p.y));
                hi = ImVec2(std::max(hi.x, p.x), std::max(hi.y, p.y));
            }
            *w = hi.x - lo.x;
            *h = hi.y - lo.y;
            return true;
        }
    }
    return false;
}

} // namespace

// Drawn as wide as the window less 35, as high as the picture's aspect gives
// for the whole window width; thin pictures draw a zero-high picture, and only
// a window too narrow for any picture has none.
TEST_F(FileWindowContents, PreviewDrawnSizes)
{
    struct {
        uint32_t width, height;
        float window;
        float w, h; // -1: refused
    } cases[] = {
        {1920, 1080, 520, 485, 292}, {1920, 1080, 700, 665, 393}, {2048, 1556, 520, 485, 395},
        {16384, 1, 700, 665, 0},     {1920, 3, 520, 485, 0},      {4, 2, 32, -1, -1},
    };
    for (auto c : cases) {
        TearDown();
        SetUp();
        dpx_writer w = base();
        dpxw_u32(&w, DPXW_PIXELS_PER_LINE, c.width);
        dpxw_u32(&w, DPXW_LINES, c.height);
        headless_gui_load(&gui, w.bytes, 1);
        headless_gui_frame(&gui, c.window);
        std::vector<std::string> lines = headless_gui_lines(headless_gui_frame(&gui, c.window));
        float dw = -1, dh = -1;
        bool drawn = image_size((ImTextureID)(intptr_t)7, &dw, &dh);
        EXPECT_EQ(c.w >= 0, drawn) << c.width << " x " << c.height << " in " << c.window;
        EXPECT_EQ(c.w, dw) << c.width << " x " << c.height << " in " << c.window;
        EXPECT_EQ(c.h, dh) << c.width << " x " << c.height << " in " << c.window;
        EXPECT_EQ(c.w < 0, has(lines, "No preview: the window is too narrow to draw the picture"));
    }
}

// After the offset dump the cursor stands at the value cell's left edge, so
// the missing-bytes line starts there, whatever the last line held.
TEST_F(FileWindowContents, UserDataDumpEndsAtTheCellsLeftEdge)
{
    unsigned char bytes[40] = {};
    for (uint64_t count : {1u, 16u, 17u, 40u}) {
        ImGui::NewFrame();
        ImGui::Begin("dump");
        ImGui::Columns(2, nullptr, true);
        ImGui::NextColumn();
        float left = ImGui::GetCursorScreenPos().x;
        user_defined_data_dump(bytes, count);
        ImGui::TextUnformatted("after");
        EXPECT_EQ(left, ImGui::GetItemRectMin().x) << count;
        ImGui::Columns(1);
        ImGui::End();
        ImGui::EndFrame();
    }
}

// The menu bar counts the findings; its items open the Checks and Picture
// windows, which close, and free the picture, with the File window.
TEST_F(FileWindowContents, MenuBarOpensChecksAndPicture)
{
    EXPECT_TRUE(has(show(base()), "Picture No findings"));
    dpx_writer w = base();
    dpxw_u32(&w, DPXW_TOTAL_SIZE, 12345);
    EXPECT_TRUE(has(show(w), "Picture 1 warning"));

    gui.work.checks_visible = true;
    gui.work.picture_visible = true;
    std::vector<CHECK_FINDING> findings = checks_run(&gui.work.header, gui.work.file_size);
    headless_gui_window_lines([&] { window_checks(&gui.work, findings); });
    std::vector<std::string> lines = headless_gui_window_lines([&] { window_checks(&gui.work, findings); });
    EXPECT_TRUE(has(lines, "warning file-size-mismatch")) << lines.size();
    EXPECT_TRUE(has(lines, "total_image_file_size is 12345 but the file holds 8224 bytes"));
    headless_gui_window_lines([&] { window_picture(&gui.work); });
    lines = headless_gui_window_lines([&] { window_picture(&gui.work); });
    EXPECT_TRUE(has(lines, "1: 10 bits 'R, G, B', packing 1"));
    ASSERT_EQ(1u, thumbnail_stub.pictures.size());
    EXPECT_EQ(std::make_pair(4, 2), thumbnail_stub.pictures[0]);
    EXPECT_EQ(4u * 2 * 4 * 2, budget_used());

    // The File window's close button clears `visible` within its frame.
    ImGui::NewFrame();
    gui.work.visible = false;
    window_dpx_file(&gui.work, &gui.config, nullptr);
    ImGui::EndFrame();
    EXPECT_FALSE(gui.work.checks_visible || gui.work.picture_visible);
    EXPECT_EQ(1, thumbnail_stub.deleted_pictures);
    EXPECT_EQ(0u, budget_used());
}

// A picture past the memory bound is refused with a line; an element that
// cannot be decoded says why.
TEST_F(FileWindowContents, PictureRefusals)
{
    dpx_writer w = base();
    dpxw_u8(&w, DPXW_ELEMENT0 + DPXW_EL_BIT_DEPTH, 13);
    headless_gui_load(&gui, w.bytes, 1);
    gui.work.picture_visible = true;
    headless_gui_window_lines([&] { window_picture(&gui.work); });
    EXPECT_TRUE(has(headless_gui_window_lines([&] { window_picture(&gui.work); }), "bit depth 13"));

    ASSERT_TRUE(budget_take(budget_limit() - 16));
    headless_gui_load(&gui, base().bytes, 2);
    gui.work.picture_visible = true;
    headless_gui_window_lines([&] { window_picture(&gui.work); });
    EXPECT_TRUE(has(headless_gui_window_lines([&] { window_picture(&gui.work); }),
                    "No picture: it needs 1 MiB, and previews and pictures already hold"));
    EXPECT_TRUE(thumbnail_stub.pictures.empty());
    budget_give(budget_limit() - 16);
    gui.work.picture_visible = false;
    headless_gui_window_lines([&] { window_picture(&gui.work); });
}
