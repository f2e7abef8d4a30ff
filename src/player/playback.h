// Where playback of a sequence stands, moved by the keys and by the clock:
// frame numbers from the first to the last, an in/out range, forwards,
// backwards or paused, looping or stopping at the range's end. The clock
// runs on: frames that are not ready in time are passed over, never waited
// for. Free of GUI code and of threads; times are seconds.
#pragma once

#include <cstdint>

struct PLAYBACK {
    uint64_t first, last; // the sequence's numbers
    uint64_t in, out;     // the range played, first <= in <= out <= last
    uint64_t position;    // the frame number shown, or to be shown
    int direction;        // +1 forwards, -1 backwards, 0 paused
    bool loop;            // at the range's end, start again rather than stop
    double rate;          // frames per second
    double start_time;    // when play last started
    uint64_t start_position;
};

// The rate playback runs at: the sequence's, else 24.
double playback_rate(double sequence_rate);
// The rate as an NDI frame rate numerator and denominator: 24 as 24/1,
// 23.976 as 24000/1001, 29.97 as 30000/1001.
void playback_rate_fraction(double rate, int* numerator, int* denominator);

// Paused at `first`, the whole sequence the range, looping.
void playback_init(PLAYBACK* p, uint64_t first, uint64_t last, double rate);
// Plays forwards (+1) or backwards (-1) from the position, at `now`; from the
// range's other end when the position is outside it or at its end.
void playback_play(PLAYBACK* p, int direction, double now);
void playback_pause(PLAYBACK* p);
// Pauses at the position moved by `frames`, clamped to the sequence.
void playback_step(PLAYBACK* p, int64_t frames);
// Pauses at `number`, clamped to the sequence.
void playback_seek(PLAYBACK* p, uint64_t number);
// The range starts (in) or ends (out) at the position; the other end moves
// along when it would be passed.
void playback_mark_in(PLAYBACK* p);
void playback_mark_out(PLAYBACK* p);
// The position the clock gives at `now` while playing; at the range's end
// it starts again when looping, else stops there. True when it moved.
bool playback_tick(PLAYBACK* p, double now);
