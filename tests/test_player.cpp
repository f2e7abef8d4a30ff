// Playback: where the keys and the clock put the position, the NDI rate of a
// sequence's rate, and the worker that reads and decodes frames ahead,
// answering every request once, passing over those of an older generation,
// freeing all.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "budget/budget.h"
#include "player/playback.h"
#include "player/player.h"
#include "support/dpx_writer.h"
#include "support/scratch.h"

namespace {

TEST(Playback, KeysAndClockMoveThePosition)
{
    // Frames 100 to 109 at 10 frames a second; each step is an action at a
    // time, then the position and direction expected.
    enum action { PLAY_FWD, PLAY_BACK, PAUSE, STEP, SEEK, MARK_IN, MARK_OUT, TICK, NO_LOOP };
    struct step { action a; double now; int64_t arg; uint64_t position; int direction; };
    struct scenario { const char* name; std::vector<step> steps; };
    const scenario scenarios[] = {
        {"forwards on time, then round the loop",
         {{PLAY_FWD, 0.0, 0, 100, 1}, {TICK, 0.05, 0, 100, 1}, {TICK, 0.1, 0, 101, 1}, {TICK, 0.95, 0, 109, 1},
          {TICK, 1.0, 0, 100, 1}, {TICK, 2.15, 0, 101, 1}}},
        {"a late tick passes over the frames in between",
         {{SEEK, 0, 103, 103, 0}, {PLAY_FWD, 5.0, 0, 103, 1}, {TICK, 5.55, 0, 108, 1}}},
        {"without a loop playback stops at the last frame",
         {{NO_LOOP, 0, 0, 100, 0}, {SEEK, 0, 107, 107, 0}, {PLAY_FWD, 1.0, 0, 107, 1}, {TICK, 1.25, 0, 109, 1},
          {TICK, 1.35, 0, 109, 0}, {PLAY_FWD, 2.0, 0, 100, 1}}},
        {"backwards from the first frame starts at the last",
         {{PLAY_BACK, 0.0, 0, 109, -1}, {TICK, 0.31, 0, 106, -1}, {TICK, 1.0, 0, 109, -1}}},
        {"steps clamp to the sequence and pause",
         {{PLAY_FWD, 0.0, 0, 100, 1}, {STEP, 0, -3, 100, 0}, {STEP, 0, 4, 104, 0}, {STEP, 0, 40, 109, 0},
          {SEEK, 0, 5, 100, 0}, {SEEK, 0, 500, 109, 0}}},
        {"in and out bound play and the loop",
         {{SEEK, 0, 102, 102, 0}, {MARK_IN, 0, 0, 102, 0}, {SEEK, 0, 104, 104, 0}, {MARK_OUT, 0, 0, 104, 0},
          {PLAY_FWD, 0.0, 0, 102, 1}, {TICK, 0.25, 0, 104, 1}, {TICK, 0.3, 0, 102, 1}, {PAUSE, 0, 0, 102, 0},
          {PLAY_BACK, 1.0, 0, 104, -1}, {TICK, 1.3, 0, 104, -1}, {TICK, 1.22, 0, 102, -1}}},
        {"an out mark before the in mark moves the in mark",
         {{SEEK, 0, 106, 106, 0}, {MARK_IN, 0, 0, 106, 0}, {SEEK, 0, 103, 103, 0}, {MARK_OUT, 0, 0, 103, 0},
          {PLAY_FWD, 0.0, 0, 103, 1}, {TICK, 0.1, 0, 103, 1}}},
    };
    for (const scenario& sc : scenarios) {
        PLAYBACK p;
        playback_init(&p, 100, 109, 10.0);
        for (size_t i = 0; i < sc.steps.size(); i++) {
            const step& s = sc.steps[i];
            switch (s.a) {
            case PLAY_FWD: playback_play(&p, 1, s.now); break;
            case PLAY_BACK: playback_play(&p, -1, s.now); break;
            case PAUSE: playback_pause(&p); break;
            case STEP: playback_step(&p, s.arg); break;
            case SEEK: playback_seek(&p, (uint64_t)s.arg); break;
            case MARK_IN: playback_mark_in(&p); break;
            case MARK_OUT: playback_mark_out(&p); break;
            case TICK: playback_tick(&p, s.now); break;
            case NO_LOOP: p.loop = false; break;
            }
            EXPECT_EQ(s.position, p.position) << sc.name << ", step " << i;
            EXPECT_EQ(s.direction, p.direction) << sc.name << ", step " << i;
        }
    }
    // A step back at frame 0 stays there; a range of every number loops without dividing by zero.
    PLAYBACK p;
    playback_init(&p, 0, 9, 10.0);
    playback_step(&p, -1);
    EXPECT_EQ(0u, p.position);
    playback_init(&p, 0, UINT64_MAX, 10.0);
    playback_seek(&p, UINT64_MAX - 1);
    playback_play(&p, 1, 0.0);
    playback_tick(&p, 0.35);
    EXPECT_EQ(1u, p.position);
}

TEST(Playback, RatesAndTheirNdiFractions)
{
    struct row { double sequence_rate, rate; int n, d; };
    const row rows[] = {
        {24, 24, 24, 1},          {23.976, 23.976, 24000, 1001}, {29.97, 29.97, 30000, 1001},
        {25, 25, 25, 1},          {59.94, 59.94, 60000, 1001},   {12.5, 12.5, 12500, 1000},
        {0, 24, 24, 1},           {-5, 24, 24, 1},               {1e9, 24, 24, 1},
        {48, 48, 48, 1},          {23.98, 23.98, 24000, 1001},
    };
    for (const row& r : rows) {
        double rate = playback_rate(r.sequence_rate);
        EXPECT_DOUBLE_EQ(r.rate, rate) << r.sequence_rate;
        int n = 0, d = 0;
        playback_rate_fraction(rate, &n, &d);
        EXPECT_EQ(r.n, n) << r.sequence_rate;
        EXPECT_EQ(r.d, d) << r.sequence_rate;
    }
}

// 4 x 2 pixels of 8-bit R, G, B: byte i of frame k's data is 10 k + i.
std::string write_frame(const std::string& dir, int k)
{
    dpx_layout l;
    l.bit_depth = 8;
    l.packing = 0;
    std::vector<unsigned char> data(24);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (unsigned char)(10 * k + i);
    std::string path = dir + "/shot." + std::to_string(k) + ".dpx";
    EXPECT_TRUE(dpxw_save(dpxw_image(l, data), path));
    return path;
}

TEST(Player, EveryRequestAnsweredOnceStaleOnesUnread)
{
    scratch dir;
    uint64_t used = budget_used();
    std::vector<std::string> paths;
    for (int k = 0; k < 3; k++)
        paths.push_back(write_frame(dir.dir, k));
    std::string text = dir.dir + "/shot.3.dpx";
    FILE* f = fopen(text.c_str(), "w");
    ASSERT_TRUE(f);
    fputs("not a picture", f);
    fclose(f);
    paths.push_back(text);
    paths.push_back(dir.dir + "/shot.4.dpx"); // never written

    PLAYER player;
    player_start(&player, 8, 2);
    const PLAYER_SETTINGS colour{0, TRANSFORM_VIEW{TRANSFORM_COLOUR, 0}, false};
    for (uint64_t k = 0; k < paths.size(); k++)
        ASSERT_TRUE(player_request(&player, PLAYER_REQUEST{k, paths[k], 0, colour}));
    std::vector<PLAYER_PICTURE> got;
    size_t done = 0;
    auto collect = [&](size_t count) {
        for (int wait = 0; got.size() < count && wait < 2000; wait++) {
            PLAYER_PICTURE p;
            if (player_take(&player, &p))
                got.push_back(p);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_EQ(count, got.size());
        // Two workers answer in either order.
        std::sort(got.end() - (long)(count - done), got.end(),
                  [](const PLAYER_PICTURE& a, const PLAYER_PICTURE& b) { return a.number < b.number; });
        done = count;
    };
    auto check = [](const PLAYER_PICTURE& p, uint64_t k) {
        EXPECT_EQ(k, p.number);
        ASSERT_TRUE(p.decodable) << p.reason;
        EXPECT_EQ(0u, p.missing);
        for (int pixel = 0; pixel < 8; pixel++) {
            const unsigned char want[4] = {(unsigned char)(10 * k + 3 * pixel), (unsigned char)(10 * k + 3 * pixel + 1),
                                           (unsigned char)(10 * k + 3 * pixel + 2), 255};
            EXPECT_EQ(0, memcmp(want, p.rgba + 4 * pixel, 4)) << "frame " << k << " pixel " << pixel;
        }
    };
    collect(paths.size());
    for (uint64_t k = 0; k < 3; k++)
        check(got[k], k);
    EXPECT_FALSE(got[3].decodable);
    EXPECT_NE(nullptr, strstr(got[3].reason, "too short for a DPX header")) << got[3].reason;
    EXPECT_FALSE(got[4].decodable);
    EXPECT_NE(nullptr, strstr(got[4].reason, "cannot open")) << got[4].reason;

    // Freed, their buffers are read and decoded into again. Of an older
    // generation, a request is answered unread.
    for (PLAYER_PICTURE& p : got)
        player_picture_free(&player, &p);
    EXPECT_EQ(PLAYER_SPARES, player.spares.size());
    player.generation.store(1);
    ASSERT_TRUE(player_request(&player, PLAYER_REQUEST{0, paths[0], 0, colour}));
    ASSERT_TRUE(player_request(&player, PLAYER_REQUEST{1, paths[1], 1, colour}));
    collect(paths.size() + 2);
    const bool skipped[] = {true, false};
    for (size_t i = 0; i < 2; i++) {
        const PLAYER_PICTURE& p = got[paths.size() + i];
        EXPECT_EQ(skipped[i], p.skipped) << i;
        EXPECT_EQ(skipped[i], p.rgba == nullptr) << i;
    }
    check(got[paths.size() + 1], 1);
    EXPECT_EQ(PLAYER_SPARES - 2, player.spares.size());
    for (size_t i = paths.size(); i < got.size(); i++)
        player_picture_free(&player, &got[i]);
    // Asked for but never taken: freed when the player ends.
    ASSERT_TRUE(player_request(&player, PLAYER_REQUEST{1, paths[1], 1, colour}));
    player_stop(&player);
    player_end(&player);
    EXPECT_EQ(used, budget_used());
}

} // namespace
