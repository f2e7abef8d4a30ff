#include "inspector/sequence_readahead.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>

#include "describe/describe.h"
#include "display/picture_texture.h"

namespace {

// Frames decoded ahead of the position; a 4K frame holds about 70 MB.
enum : size_t { AHEAD = 3, OUTSTANDING = AHEAD + 2 };

bool same(const PLAYER_SETTINGS& a, const PLAYER_SETTINGS& b)
{
    return a.element == b.element && a.view.mode == b.view.mode && a.view.component == b.view.component &&
           a.standard == b.standard;
}

void release_shown(SEQUENCE_PICTURE* sp)
{
    if (sp->has_shown)
        player_picture_free(sp->player.get(), &sp->shown);
    sp->has_shown = false;
}

void release_ready(SEQUENCE_PICTURE* sp)
{
    for (std::pair<const uint64_t, PLAYER_PICTURE>& r : sp->ready)
        player_picture_free(sp->player.get(), &r.second);
    sp->ready.clear();
}

// The frame `k` frames after `n` in the direction of play, round the range
// when looping, else stopping at its end.
uint64_t onwards(const PLAYBACK* p, uint64_t n, uint64_t k)
{
    for (; k > 0; k--) {
        if (p->direction > 0)
            n = n < p->out ? n + 1 : p->loop ? p->in : n;
        else
            n = n > p->in ? n - 1 : p->loop ? p->out : n;
    }
    return n;
}

// Frames of play that reading and decoding one frame takes.
double make_frames(const SEQUENCE_PICTURE* sp, const PLAYBACK* p)
{
    return sp->make_ms * p->rate / 1000;
}

// Paused: the position and the frames either side of it. Playing: the
// position and the frames playback reaches while the ones asked for are read.
std::vector<uint64_t> wanted(const SEQUENCE_PICTURE* sp, const PLAYBACK* p)
{
    std::vector<uint64_t> numbers{p->position};
    if (p->direction == 0) {
        for (uint64_t n : {p->position + 1, p->position - 1, p->position + 2})
            if (n >= p->first && n <= p->last && n != p->position)
                numbers.push_back(n);
        return numbers;
    }
    uint64_t span = AHEAD + 2 * (uint64_t)std::ceil(make_frames(sp, p) + 0.5);
    for (uint64_t k = 1; k <= span; k++) {
        uint64_t n = onwards(p, p->position, k);
        if (std::find(numbers.begin(), numbers.end(), n) == numbers.end())
            numbers.push_back(n);
    }
    return numbers;
}

bool is_wanted(const SEQUENCE_PICTURE* sp, uint64_t n)
{
    return std::find(sp->wanted.begin(), sp->wanted.end(), n) != sp->wanted.end();
}

void take_answers(SEQUENCE_PICTURE* sp)
{
    PLAYER_PICTURE a;
    while (player_take(sp->player.get(), &a)) {
        sp->asked.erase(a.number);
        if (!a.skipped && a.decodable) // a running average of the last few
            sp->make_ms = sp->make_ms ? 0.75 * sp->make_ms + 0.25 * (a.read_ms + a.decode_ms) : a.read_ms + a.decode_ms;
        if (a.skipped || !same(a.settings, sp->settings) || !is_wanted(sp, a.number) || sp->ready.count(a.number) ||
            (sp->has_shown && sp->shown_number == a.number))
            player_picture_free(sp->player.get(), &a);
        else
            sp->ready[a.number] = a;
    }
}

void ask(SEQUENCE_WINDOW* w, SEQUENCE_PICTURE* sp)
{
    for (std::map<uint64_t, PLAYER_PICTURE>::iterator r = sp->ready.begin(); r != sp->ready.end();)
        if (is_wanted(sp, r->first)) {
            ++r;
        } else {
            player_picture_free(sp->player.get(), &r->second);
            r = sp->ready.erase(r);
        }
    const PLAYBACK* p = &w->playback;
    // Playing, the next frame asked for is the first that will not be due
    // before it is ready, given the frames already asked for: a decoder too
    // slow for the rate shows every other frame rather than none on time.
    size_t first = 0;
    if (p->direction != 0) {
        double lead = (double)(sp->asked.size() + 1) * make_frames(sp, p) + 0.5;
        first = (size_t)std::ceil(lead);
        if (first < 1)
            first = 1;
    }
    size_t outstanding = p->direction != 0 ? 2 : (size_t)OUTSTANDING;
    for (size_t i = first; i < sp->wanted.size() && sp->asked.size() < outstanding; i++) {
        uint64_t n = sp->wanted[i];
        const SEQUENCE_FRAME* f = window_sequence_frame_of(w, n);
        if (!f || !f->loaded || sp->ready.count(n) || sp->asked.count(n) || (sp->has_shown && sp->shown_number == n))
            continue;
        if (player_request(sp->player.get(), PLAYER_REQUEST{n, f->path, sp->generation, sp->settings}))
            sp->asked.insert(n);
    }
}

void upload(SEQUENCE_PICTURE* sp)
{
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    int width = (int)sp->shown.layout.width, height = (int)sp->shown.layout.height;
    sp->texture = ImGui_ImplGlfwGL3_ReplacePictureTexture(sp->texture, sp->texture_width, sp->texture_height,
                                                          sp->shown.rgba, width, height);
    sp->texture_width = width;
    sp->texture_height = height;
    sp->upload_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void show(SEQUENCE_PICTURE* sp, PLAYER_PICTURE&& picture, double now)
{
    release_shown(sp);
    sp->shown = picture;
    sp->has_shown = true;
    sp->shown_number = picture.number;
    sp->grey.clear();
    if (sp->shown.file.image) {
        sp->header = sp->shown.file.header;
        sp->has_header = true;
    }
    if (!sp->shown.decodable) {
        sp->grey = describe_format("Frame %" PRIu64 ": %s", picture.number, sp->shown.reason);
        return;
    }
    upload(sp);
    sp->fresh = true;
    sp->pictures++;
    sp->shown_at.push_back(now);
}

void show_grey(SEQUENCE_PICTURE* sp, uint64_t number, const std::string& why)
{
    release_shown(sp);
    sp->shown_number = number;
    sp->grey = why;
}

// What the position shows: its picture when ready, grey when the frame is
// missing or refused; otherwise the last picture stays until it is ready.
void follow(SEQUENCE_WINDOW* w, SEQUENCE_PICTURE* sp, double now)
{
    const PLAYBACK& p = w->playback;
    if (p.position != sp->last_position && p.direction != 0) {
        // Frames the clock went past without their picture on screen.
        bool onwards = p.direction > 0 ? p.position > sp->last_position : p.position < sp->last_position;
        uint64_t moved = !onwards ? 1 : p.direction > 0 ? p.position - sp->last_position : sp->last_position - p.position;
        sp->dropped += moved - 1;
        if (sp->shown_number != sp->last_position)
            sp->dropped++;
    }
    sp->last_position = p.position;
    bool on_screen = sp->shown_number == p.position && (sp->has_shown || !sp->grey.empty());
    if (on_screen)
        return;
    const SEQUENCE_FRAME* f = window_sequence_frame_of(w, p.position);
    if (!f) {
        show_grey(sp, p.position, describe_format("Frame %" PRIu64 " is missing", p.position));
        return;
    }
    if (!f->loaded) {
        show_grey(sp, p.position,
                  describe_format("Frame %" PRIu64 ": %s", p.position, f->empty ? "empty file" : f->reason.c_str()));
        return;
    }
    std::map<uint64_t, PLAYER_PICTURE>::iterator r = sp->ready.find(p.position);
    if (r == sp->ready.end())
        return;
    PLAYER_PICTURE picture = r->second;
    sp->ready.erase(r);
    show(sp, std::move(picture), now);
}

} // namespace

void sequence_readahead_update(SEQUENCE_WINDOW* w, SEQUENCE_PICTURE* sp, double now)
{
    PLAYER* player = sp->player.get();
    const PLAYBACK& p = w->playback;
    PLAYER_SETTINGS settings{sp->look.element, sp->look.view, sp->look.standard};
    bool jumped = false;
    if (!same(settings, sp->settings)) {
        sp->settings = settings;
        release_ready(sp);
        release_shown(sp);
        sp->grey.clear();
        jumped = true;
    }
    sp->wanted = wanted(sp, &p);
    // Frames asked for that playback has gone past are not read: neither are
    // the others asked with them, which are asked again once answered.
    for (uint64_t n : sp->asked)
        jumped = jumped || !is_wanted(sp, n);
    if (jumped)
        player->generation.store(++sp->generation);
    take_answers(sp);
    follow(w, sp, now);
    ask(w, sp);
    while (!sp->shown_at.empty() && sp->shown_at.front() < now - 1.0)
        sp->shown_at.pop_front();
}

void sequence_readahead_release(SEQUENCE_PICTURE* sp)
{
    release_ready(sp);
    release_shown(sp);
}

void sequence_readahead_start(SEQUENCE_PICTURE* sp, uint64_t position)
{
    sp->settings = PLAYER_SETTINGS{sp->look.element, sp->look.view, sp->look.standard};
    sp->last_position = position;
    sp->player = std::make_unique<PLAYER>();
    player_start(sp->player.get(), OUTSTANDING, 2);
}
