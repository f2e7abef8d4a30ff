#include "player/playback.h"

#include <cmath>

namespace {

uint64_t clamp(uint64_t n, uint64_t lo, uint64_t hi)
{
    return n < lo ? lo : n > hi ? hi : n;
}

} // namespace

double playback_rate(double sequence_rate)
{
    return sequence_rate > 0 && std::isfinite(sequence_rate) && sequence_rate <= 1000 ? sequence_rate : 24.0;
}

void playback_rate_fraction(double rate, int* numerator, int* denominator)
{
    // Television's rates run 1000/1001 below a whole number.
    double whole = std::round(rate * 1.001);
    if (std::fabs(rate - std::round(rate)) > 0.005 && std::fabs(rate - whole * 1000 / 1001) < 0.005) {
        *numerator = (int)whole * 1000;
        *denominator = 1001;
    } else if (std::fabs(rate - std::round(rate)) < 0.0005) {
        *numerator = (int)std::round(rate);
        *denominator = 1;
    } else {
        *numerator = (int)std::round(rate * 1000);
        *denominator = 1000;
    }
}

void playback_init(PLAYBACK* p, uint64_t first, uint64_t last, double rate)
{
    *p = PLAYBACK{};
    p->first = p->in = p->position = first;
    p->last = p->out = last < first ? first : last;
    p->loop = true;
    p->rate = playback_rate(rate);
}

void playback_play(PLAYBACK* p, int direction, double now)
{
    if (direction > 0 && (p->position < p->in || p->position >= p->out))
        p->position = p->in;
    if (direction < 0 && (p->position > p->out || p->position <= p->in))
        p->position = p->out;
    p->direction = direction > 0 ? 1 : direction < 0 ? -1 : 0;
    p->start_time = now;
    p->start_position = p->position;
}

void playback_pause(PLAYBACK* p)
{
    p->direction = 0;
}

void playback_step(PLAYBACK* p, int64_t frames)
{
    uint64_t n = p->position;
    if (frames < 0)
        n = (uint64_t)-frames > n - p->first ? p->first : n - (uint64_t)-frames;
    else
        n = (uint64_t)frames > p->last - n ? p->last : n + (uint64_t)frames;
    playback_seek(p, n);
}

void playback_seek(PLAYBACK* p, uint64_t number)
{
    p->direction = 0;
    p->position = clamp(number, p->first, p->last);
}

void playback_mark_in(PLAYBACK* p)
{
    p->in = p->position;
    if (p->out < p->in)
        p->out = p->in;
}

void playback_mark_out(PLAYBACK* p)
{
    p->out = p->position;
    if (p->in > p->out)
        p->in = p->out;
}

bool playback_tick(PLAYBACK* p, double now)
{
    if (p->direction == 0)
        return false;
    double elapsed = (now - p->start_time) * p->rate;
    uint64_t frames = elapsed > 0 ? (uint64_t)elapsed : 0;
    uint64_t span = p->out - p->in + 1;
    uint64_t was = p->position;
    // From the start of play to the range's end, then round it when looping.
    uint64_t to_end = p->direction > 0 ? p->out - p->start_position : p->start_position - p->in;
    if (frames <= to_end)
        p->position = p->direction > 0 ? p->start_position + frames : p->start_position - frames;
    else if (!p->loop) {
        p->position = p->direction > 0 ? p->out : p->in;
        p->direction = 0;
    } else {
        // span is 0 only for a range of every 64-bit number, which no loop rounds.
        uint64_t into = span ? (frames - to_end - 1) % span : frames - to_end - 1;
        p->position = p->direction > 0 ? p->in + into : p->out - into;
    }
    return p->position != was;
}
