#include "player/player.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "budget/budget.h"
#include "dpx/dpx_layout.h"

namespace {

double ms_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A spare of `size` bytes or more (the smallest), or null.
unsigned char* take_spare(PLAYER* player, size_t size)
{
    std::lock_guard<std::mutex> lock(player->spare_mutex);
    std::vector<PLAYER_SPARE>& spares = player->spares;
    size_t best = spares.size();
    for (size_t i = 0; i < spares.size(); i++)
        if (spares[i].size >= size && (best == spares.size() || spares[i].size < spares[best].size))
            best = i;
    if (best == spares.size())
        return nullptr;
    unsigned char* bytes = spares[best].bytes;
    spares.erase(spares.begin() + (long)best);
    return bytes;
}

void give_spare(PLAYER* player, unsigned char* bytes, size_t size)
{
    if (!bytes || size == 0) {
        free(bytes);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(player->spare_mutex);
        size_t held = 0;
        for (const PLAYER_SPARE& s : player->spares)
            held += s.size;
        if (player->spares.size() < PLAYER_SPARES && size <= PLAYER_SPARE_BYTES - held && held <= PLAYER_SPARE_BYTES) {
            player->spares.push_back(PLAYER_SPARE{bytes, size});
            return;
        }
    }
    free(bytes);
}

void refuse(PLAYER_PICTURE* p, const char* reason)
{
    snprintf(p->reason, sizeof p->reason, "%s", reason);
}

void work(PLAYER* player)
{
    PLAYER_REQUEST request;
    while (queue_pop(&player->requests, &request)) {
        PLAYER_PICTURE picture{};
        picture.number = request.number;
        picture.generation = request.generation;
        picture.settings = request.settings;
        if (request.generation != player->generation.load())
            picture.skipped = true;
        else
            player_make(player, request, &picture);
        if (!queue_try_push(&player->pictures, std::move(picture)))
            player_picture_free(player, &picture);
    }
    player->running.fetch_sub(1);
}

} // namespace

// Leaves `decodable` false with a reason unless the picture is made.
void player_make(PLAYER* player, const PLAYER_REQUEST& request, PLAYER_PICTURE* p)
{
    p->decodable = false;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    char reason[DPX_FILE_REASON_SIZE];
    DPX_FILE head;
    uint64_t end;
    if (!dpx_file_image_reach(request.path.c_str(), &head, &end, reason))
        return refuse(p, reason);
    dpx_file_free(&head);
    if (!budget_take(end)) {
        budget_refusal("picture", end, p->reason, sizeof p->reason);
        return;
    }
    p->cost = end;
    if (!dpx_file_load_into(request.path.c_str(), end, take_spare(player, end), &p->file, reason)) {
        player_picture_free(player, p);
        return refuse(p, reason);
    }
    p->read_ms = ms_since(start);
    start = std::chrono::steady_clock::now();
    if (!decode_layout(&p->file.header, request.settings.element, &p->layout, p->reason))
        return;
    if (request.settings.standard)
        decode_standard_reading(&p->layout);
    // The buffer, and the texture it becomes once shown.
    uint64_t bytes = (uint64_t)p->layout.width * p->layout.height * 4;
    if (!budget_take(2 * bytes)) {
        budget_refusal("picture", 2 * bytes, p->reason, sizeof p->reason);
        return;
    }
    p->cost += 2 * bytes;
    p->rgba = take_spare(player, bytes);
    if (!p->rgba)
        p->rgba = (unsigned char*)malloc(bytes);
    if (!p->rgba) {
        snprintf(p->reason, sizeof p->reason, "No picture: out of memory for %llu bytes", (unsigned long long)bytes);
        return;
    }
    transform_picture(&p->layout, p->file.image, p->file.image_size, request.settings.view, p->rgba, &p->missing);
    p->decodable = true;
    p->decode_ms = ms_since(start);
}

void player_picture_free(PLAYER* player, PLAYER_PICTURE* p)
{
    give_spare(player, p->file.image, p->file.image_size);
    p->file = DPX_FILE{};
    give_spare(player, p->rgba, (size_t)p->layout.width * p->layout.height * 4);
    p->rgba = nullptr;
    budget_give(p->cost);
    p->cost = 0;
}

void player_start(PLAYER* player, size_t outstanding, unsigned workers)
{
    queue_init(&player->requests, outstanding, 1);
    queue_init(&player->pictures, outstanding, workers);
    player->running.store(workers);
    for (unsigned i = 0; i < workers; i++)
        player->threads.emplace_back(work, player);
}

bool player_request(PLAYER* player, PLAYER_REQUEST&& request)
{
    return queue_try_push(&player->requests, std::move(request));
}

bool player_take(PLAYER* player, PLAYER_PICTURE* picture)
{
    return queue_try_pop(&player->pictures, picture);
}

void player_stop(PLAYER* player)
{
    queue_cancel(&player->requests);
}

bool player_finished(const PLAYER* player)
{
    return player->running.load() == 0;
}

void player_end(PLAYER* player)
{
    player_stop(player);
    for (std::thread& t : player->threads)
        t.join();
    player->threads.clear();
    PLAYER_PICTURE picture;
    while (queue_try_pop(&player->pictures, &picture))
        player_picture_free(player, &picture);
    for (const PLAYER_SPARE& s : player->spares)
        free(s.bytes);
    player->spares.clear();
}
