// The Sequence window's Picture window, headless, its worker real: steps
// show each frame's picture, missing and refused frames a line saying why,
// and closing it gives back all it held.
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "budget/budget.h"
#include "inspector/window_sequence.h"
#include "inspector/window_sequence_picture.h"
#include "support/dpx_writer.h"
#include "support/scratch.h"
#include "support/headless_gui.h"

namespace {

TEST(SequencePicture, StepsShowPicturesMissingAndRefusedFramesSayWhy)
{
    scratch dir;
    // Frame k is k + 3 pixels wide, so the size shown tells whose picture it is.
    for (int k : {1, 2, 4}) {
        dpx_layout l;
        l.width = (uint32_t)k + 3;
        l.bit_depth = 8;
        std::vector<unsigned char> data((size_t)l.width * 2 * 3 + 4, 200);
        ASSERT_TRUE(dpxw_save(dpxw_image(l, data), dir.dir + "/s." + std::to_string(k) + ".dpx"));
    }
    ASSERT_TRUE(dpxw_save(dpxw_new(false, 100), dir.dir + "/s.5.dpx"));
    SEQUENCE_SCAN scan;
    sequence_scan({dir.dir}, SEQUENCE_OPTIONS{}, &scan);
    ASSERT_EQ(1u, scan.sequences.size());

    headless_gui_begin();
    uint64_t used = budget_used();
    const config_t config{false, false, true};
    SEQUENCE_WINDOW w;
    window_sequence_init(&w, std::move(scan.sequences[0]));
    w.picture_visible = true;
    auto frame = [&w, &config] {
        return headless_gui_text([&] { window_sequence_picture(&w, &config, nullptr); });
    };
    // Each row: frames stepped, then what the window shows once the worker has
    // answered. (Dear ImGui's log takes the text of the first window only.)
    const struct { int step; const char* shows; const char* code; } rows[] = {
        {0, "4 x 2, zoom", "00:00:00:00"},
        {1, "5 x 2, zoom", "00:00:00:00"},
        {1, "Frame 3 is missing", "no time code"},
        {1, "7 x 2, zoom", "00:00:00:00"},
        {1, "Frame 5: too short for a DPX header (100 bytes, 1664 needed)", "no time code"},
        {-3, "5 x 2, zoom", "00:00:00:00"},
    };
    for (const auto& r : rows) {
        playback_step(&w.playback, r.step);
        std::string text;
        for (int wait = 0; wait < 2000 && text.find(r.shows) == std::string::npos; wait++) {
            text = frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_NE(std::string::npos, text.find(r.shows)) << r.shows << " in:\n" << text;
        uint64_t position = w.playback.position;
        EXPECT_EQ(0u, text.find("Picture s.[1-5].dpx\nFrame " + std::to_string(position) + "  " + r.code + "  24 fps   paused"))
            << text;
    }
    window_sequence_close_picture(&w);
    window_sequence_picture_reap(true);
    EXPECT_EQ(used, budget_used());
    headless_gui_end();
}

} // namespace
