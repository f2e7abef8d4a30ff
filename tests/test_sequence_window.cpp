// The Sequence window's text for a finished scan, made by hand: the summary,
// a problem line, frame rows and a gap row.
#include <gtest/gtest.h>
#include <imgui.h>

#include "inspector/window_sequence.h"
#include "support/headless_gui.h"

namespace {

SEQUENCE_FRAME frame(uint64_t number, uint64_t size, uint32_t errors, const char* reason) {
    SEQUENCE_FRAME f{};
    f.number = number;
    f.path = "/shots/a_" + std::to_string(number) + ".dpx";
    f.size = size;
    f.loaded = !*reason;
    f.reason = reason;
    f.time_code = f.loaded ? 0x01000000u + (uint32_t)number : SEQUENCE_NONE;
    f.frame_position = f.loaded ? (uint32_t)number : SEQUENCE_NONE;
    f.errors = errors;
    return f;
}

SEQUENCE shot() {
    SEQUENCE s{};
    s.directory = "/shots";
    s.prefix = "a_";
    s.suffix = ".dpx";
    s.first = 1;
    s.last = 7;
    s.present = 4;
    s.frames = {frame(1, 2080, 0, ""), frame(2, 2080, 0, ""), frame(5, 2048, 2, ""), frame(7, 3, 0, "too short")};
    s.missing = {{3, 4}, {6, 6}};
    s.readable = true;
    s.layout = "4 x 2, 10-bit R, G, B, filled method A, big-endian";
    s.frame_rate = 24;
    s.time_code_first = 0x01000001;
    s.time_code_last = 0x01000005;
    s.problems.push_back({CHECK_WARNING, "sequence-gap", "3 frames missing: 3-4, 6", {3, 4, 6}});
    s.varying.push_back({"File information header", "Image filename", 3, 2, true});
    return s;
}

TEST(SequenceWindow, SummaryProblemsAndRows) {
    headless_gui_begin();
    SEQUENCE_WINDOW w;
    window_sequence_init(&w, shot());
    std::string text = headless_gui_text([&w] { window_sequence(&w); });
    const char* lines[] = {
        "Frames: 4 of 7 present (1-7), 4 files\n",
        "Missing: 3-4, 6\n",
        "Layout: 4 x 2, 10-bit R, G, B, filled method A, big-endian\n",
        "Time code: 01:00:00:01 - 01:00:00:05 at 24 fps\n",
        "Total size: 6211 bytes\n",
        "warning sequence-gap: 3 frames missing: 3-4, 6\n",
        "| 3-4 missing |",
        "| 5 | 01:00:00:05 | 5 | 2048 | 2 errors |",
        "| 6 missing |",
        "| 7 | | | 3 | | too short |",
        "| Image filename | 3 | 2 | expected |",
    };
    for (const char* line : lines) EXPECT_NE(std::string::npos, text.find(line)) << line << "\nin:\n" << text;
    headless_gui_end();
}

// Rows 1, 2, "3-4 missing", 5, "6 missing", 7; a page of three rows.
TEST(SequenceWindow, KeysMoveTheSelection) {
    headless_gui_begin();
    ImGuiIO& io = ImGui::GetIO();
    const ImGuiKey keys[] = {ImGuiKey_UpArrow, ImGuiKey_DownArrow, ImGuiKey_PageUp, ImGuiKey_PageDown,
                             ImGuiKey_Home, ImGuiKey_End};
    for (int k = 0; k < 6; k++) io.KeyMap[keys[k]] = 100 + k;
    io.KeyMap[ImGuiKey_LeftArrow] = 106;
    io.KeyMap[ImGuiKey_RightArrow] = 107;
    SEQUENCE_WINDOW w;
    window_sequence_init(&w, shot());
    headless_gui_text([&w] { window_sequence(&w); });
    // Left and Right step frame numbers, missing ones included, and select their rows;
    // rows moved to move the position to their number.
    const struct { std::vector<ImGuiKey> presses; size_t want; uint64_t position; } cases[] = {
        {{ImGuiKey_RightArrow}, 1, 2}, {{ImGuiKey_RightArrow, ImGuiKey_RightArrow}, 2, 3},
        {{ImGuiKey_RightArrow, ImGuiKey_RightArrow, ImGuiKey_RightArrow}, 2, 4},
        {{ImGuiKey_RightArrow, ImGuiKey_RightArrow, ImGuiKey_RightArrow, ImGuiKey_RightArrow}, 3, 5},
        {{ImGuiKey_LeftArrow}, 0, 1}, {{ImGuiKey_End, ImGuiKey_LeftArrow}, 4, 6},
        {{ImGuiKey_End, ImGuiKey_RightArrow}, 5, 7}, {{ImGuiKey_PageDown, ImGuiKey_RightArrow}, 2, 4},
        {{ImGuiKey_DownArrow}, 1, 2}, {{ImGuiKey_DownArrow, ImGuiKey_DownArrow, ImGuiKey_UpArrow}, 1, 2},
        {{ImGuiKey_UpArrow}, 0, 1}, {{ImGuiKey_End}, 5, 7}, {{ImGuiKey_End, ImGuiKey_DownArrow}, 5, 7},
        {{ImGuiKey_End, ImGuiKey_Home}, 0, 1}, {{ImGuiKey_PageDown}, 2, 3}, {{ImGuiKey_End, ImGuiKey_PageUp}, 3, 5},
        {{ImGuiKey_PageDown, ImGuiKey_PageDown, ImGuiKey_PageDown}, 5, 7},
    };
    for (const auto& c : cases) {
        w.selected = 0;
        headless_gui_text([&w] { window_sequence(&w); });
        for (ImGuiKey key : c.presses)
            for (bool down : {true, false}) {
                w.page_rows = 3;
                io.KeysDown[io.KeyMap[key]] = down;
                headless_gui_text([&w] { window_sequence(&w); });
            }
        EXPECT_EQ(c.want, w.selected) << c.presses.size() << " presses, last " << c.presses.back();
        EXPECT_EQ(c.position, w.playback.position) << c.presses.size() << " presses, last " << c.presses.back();
    }
    headless_gui_end();
}

TEST(SequenceWindow, RowsInterleaveGaps) {
    const struct { std::vector<uint64_t> numbers; std::vector<SEQUENCE_RANGE> missing; const char* want; } cases[] = {
        {{1, 2, 5}, {{3, 4}}, "1 2 3-4 missing 5"},
        {{2, 2, 9}, {{3, 8}}, "2 2 3-8 missing 9"},
        {{10}, {}, "10"},
    };
    for (const auto& c : cases) {
        SEQUENCE s{};
        for (uint64_t n : c.numbers) s.frames.push_back(frame(n, 1, 0, ""));
        s.missing = c.missing;
        std::string got;
        for (const SEQUENCE_WINDOW_ROW& r : window_sequence_rows(s))
            got += (got.empty() ? "" : " ") + (r.frame == SEQUENCE_WINDOW_GAP ? window_sequence_gap_text(r)
                                                                              : std::to_string(s.frames[r.frame].number));
        EXPECT_EQ(c.want, got);
    }
}

} // namespace
