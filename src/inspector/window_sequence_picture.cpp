#include "inspector/window_sequence_picture.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include <imgui.h>

#include "display/picture_texture.h"
#include "picture/orient.h"

namespace {

// Workers of closed windows, finishing the frame they were on.
std::vector<std::unique_ptr<PLAYER>> g_Ending;

void transport(SEQUENCE_WINDOW* w, SEQUENCE_PICTURE* sp, double now)
{
    PLAYBACK* p = &w->playback;
    const SEQUENCE_FRAME* f = window_sequence_frame_of(w, p->position);
    std::string code = f && f->time_code != SEQUENCE_NONE ? sequence_time_code_text(f->time_code) : "no time code";
    ImGui::Text("Frame %" PRIu64 "  %s  %g fps", p->position, code.c_str(), p->rate);
    ImGui::SameLine();
    if (p->direction)
        ImGui::Text("  playing %s: %zu pictures in the last second, %" PRIu64 " frames passed over",
                    p->direction > 0 ? "forwards" : "backwards", sp->shown_at.size(), sp->dropped);
    else
        ImGui::TextUnformatted("  paused");
    if (ImGui::Button("|<"))
        playback_seek(p, p->first);
    ImGui::SameLine();
    if (ImGui::Button("<"))
        playback_step(p, -1);
    ImGui::SameLine();
    if (ImGui::Button(p->direction ? "Pause" : "Play")) {
        if (p->direction)
            playback_pause(p);
        else
            playback_play(p, 1, now);
    }
    ImGui::SameLine();
    if (ImGui::Button(">"))
        playback_step(p, 1);
    ImGui::SameLine();
    if (ImGui::Button(">|"))
        playback_seek(p, p->last);
    ImGui::SameLine();
    ImGui::Checkbox("Loop", &p->loop);
    ImGui::SameLine();
    if (ImGui::Button("In"))
        playback_mark_in(p);
    ImGui::SameLine();
    if (ImGui::Button("Out"))
        playback_mark_out(p);
    ImGui::SameLine();
    ImGui::Text("%" PRIu64 " - %" PRIu64, p->in, p->out);
}

void grey_picture(const std::string& why)
{
    ImGui::TextUnformatted(why.c_str());
    ImVec2 size = ImGui::GetContentRegionAvail();
    if (size.x < 1 || size.y < 1)
        return;
    ImVec2 a = ImGui::GetCursorScreenPos();
    ImGui::GetWindowDrawList()->AddRectFilled(a, ImVec2(a.x + size.x, a.y + size.y), IM_COL32(128, 128, 128, 255));
    ImGui::Dummy(size);
}

// The picture as shown, at its full size: turned when its orientation turns it.
void send(SEQUENCE_WINDOW* w, SEQUENCE_PICTURE* sp, NDIVIEW* ndiview)
{
    const PLAYER_PICTURE& s = sp->shown;
    int code = picture_orientation(&sp->look, &s.layout);
    uint32_t width = s.layout.width, height = s.layout.height;
    unsigned char* pixels = s.rgba;
    if (code >= 1 && code <= 7) {
        orient_size(code, s.layout.width, s.layout.height, &width, &height);
        sp->turned.resize((size_t)width * height * 4);
        for (uint32_t y = 0; y < height; y++)
            for (uint32_t x = 0; x < width; x++) {
                uint32_t fx, fy;
                orient_to_file(code, s.layout.width, s.layout.height, x, y, &fx, &fy);
                memcpy(&sp->turned[((size_t)y * width + x) * 4], s.rgba + ((size_t)fy * s.layout.width + fx) * 4, 4);
            }
        pixels = sp->turned.data();
    }
    int n, d;
    playback_rate_fraction(w->playback.rate, &n, &d);
    ndiview_transmit_at(ndiview, pixels, (int)width, (int)height, n, d);
}

void contents(SEQUENCE_WINDOW* w, SEQUENCE_PICTURE* sp, double now)
{
    transport(w, sp, now);
    const PLAYER_PICTURE* s = sp->has_shown && sp->shown.decodable ? &sp->shown : nullptr;
    if (sp->has_header)
        picture_toolbar(&sp->look, &sp->header, s ? &s->layout : nullptr);
    if (s)
        ImGui::TextDisabled("read %.1f ms  decode %.1f ms  upload %.1f ms", s->read_ms, s->decode_ms, sp->upload_ms);
    if (!sp->grey.empty() && sp->shown_number == w->playback.position) {
        grey_picture(sp->grey);
        return;
    }
    if (!s) {
        ImGui::Text("Reading frame %" PRIu64 "...", w->playback.position);
        return;
    }
    if (s->layout.reading[0])
        ImGui::TextWrapped("Read with %s.", s->layout.reading);
    if (s->missing)
        ImGui::Text("%" PRIu64 " of %" PRIu64 " pixels have no bytes in the file", s->missing,
                    (uint64_t)s->layout.width * s->layout.height);
    picture_canvas(&sp->look, &s->layout, s->file.image, s->file.image_size, s->rgba, sp->texture);
}

} // namespace

void window_sequence_picture(SEQUENCE_WINDOW* w, const config_t* config, NDIVIEW* ndiview)
{
    if (!w->picture_visible || !w->visible) {
        window_sequence_close_picture(w);
        return;
    }
    if (!w->picture) {
        w->picture = std::make_shared<SEQUENCE_PICTURE>();
        picture_look_init(&w->picture->look);
        sequence_readahead_start(w->picture.get(), w->playback.position);
    }
    SEQUENCE_PICTURE* sp = w->picture.get();
    double now = ImGui::GetTime();
    sequence_readahead_update(w, sp, now);
    // Dear ImGui takes a window's identity from its title's last "###".
    size_t hidden = w->title.find("###");
    std::string title = "Picture " + w->title.substr(0, hidden) + "###Picture " +
                        (hidden == std::string::npos ? w->title : w->title.substr(hidden + 3));
    ImGui::SetNextWindowSize(ImVec2(760, 560), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowPos(ImVec2(20, 60), ImGuiCond_FirstUseEver);
    if (ImGui::Begin(title.c_str(), &w->picture_visible)) {
        if (ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows))
            window_sequence_playback_keys(w, now);
        contents(w, sp, now);
        if (sp->fresh && ImGui::IsWindowFocused() && config->use_ndi && sp->has_shown && sp->shown.decodable)
            send(w, sp, ndiview);
    }
    sp->fresh = false;
    ImGui::End();
}

void window_sequence_close_picture(SEQUENCE_WINDOW* w)
{
    if (!w->picture)
        return;
    SEQUENCE_PICTURE* sp = w->picture.get();
    sequence_readahead_release(sp);
    ImGui_ImplGlfwGL3_DeletePictureTexture(sp->texture);
    player_stop(sp->player.get());
    g_Ending.push_back(std::move(sp->player));
    w->picture.reset();
}

void window_sequence_picture_reap(bool wait)
{
    for (size_t i = 0; i < g_Ending.size();) {
        if (wait || player_finished(g_Ending[i].get())) {
            player_end(g_Ending[i].get());
            g_Ending.erase(g_Ending.begin() + (long)i);
        } else {
            i++;
        }
    }
}
