#include "inspector/window_folder.h"

#include <cstdio>
#include <memory>
#include <vector>

#include <imgui.h>

#include "folder/folder.h"
#include "inspector/window_sequence.h"
#include "inspector/window_sequence_picture.h"
#include "workset/workset.h"

namespace {

std::vector<std::unique_ptr<SEQUENCE_WINDOW>> windows;

// The window of the same sequence of the same directory, shown again with
// the new figures, or a new one.
void show(SEQUENCE&& sequence)
{
    for (std::unique_ptr<SEQUENCE_WINDOW>& w : windows) {
        const SEQUENCE& s = w->sequence;
        if (s.directory == sequence.directory && s.prefix == sequence.prefix && s.suffix == sequence.suffix &&
            s.padding == sequence.padding) {
            window_sequence_close_picture(w.get());
            window_sequence_init(w.get(), std::move(sequence));
            ImGui::SetWindowFocus(w->title.c_str());
            return;
        }
    }
    windows.push_back(std::make_unique<SEQUENCE_WINDOW>());
    window_sequence_init(windows.back().get(), std::move(sequence));
}

void take(FOLDER_SCAN* f)
{
    SEQUENCE_SCAN& scan = f->scan;
    for (const SEQUENCE_REFUSAL& r : scan.refused)
        fprintf(stderr, "refused %s: %s\n", r.path.c_str(), r.reason.c_str());
    for (const std::string& d : scan.without_dpx)
        fprintf(stderr, "no DPX file in %s\n", d.c_str());
    for (SEQUENCE& s : scan.sequences) {
        printf("opened sequence %s (%zu frames) in %s\n", sequence_notation(s).c_str(), s.frames.size(),
               f->directory.c_str());
        show(std::move(s));
    }
    for (const SEQUENCE_FRAME& single : scan.singles) {
        work_t* work = workset_setup(workset, single.path.c_str());
        if (work)
            work->visible = true;
    }
}

void scanning(FOLDER_SCAN* f)
{
    std::string title = "Scanning " + f->directory + "###Scanning " + f->directory;
    ImGui::SetNextWindowSize(ImVec2(420, 0), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowPos(ImVec2(440, 60), ImGuiCond_FirstUseEver);
    if (ImGui::Begin(title.c_str(), &f->visible)) {
        uint64_t found = f->progress.found.load(), read = f->progress.read.load();
        char overlay[64];
        if (found)
            snprintf(overlay, sizeof overlay, "%llu of %llu frames read", (unsigned long long)read,
                     (unsigned long long)found);
        else
            snprintf(overlay, sizeof overlay, "listing the directory");
        ImGui::ProgressBar(found ? (float)read / (float)found : 0.0f, ImVec2(-1, 0), overlay);
    }
    ImGui::End();
}

} // namespace

void window_folder_draw_all(const config_t* config, NDIVIEW* ndiview)
{
    for (size_t i = 0; i < folder_scans.size();) {
        FOLDER_SCAN* f = folder_scans[i].get();
        if (!f->visible)
            f->progress.cancel.store(true);
        if (!folder_scan_poll(f)) {
            if (f->visible)
                scanning(f);
            i++;
            continue;
        }
        if (!f->progress.cancel.load())
            take(f);
        folder_scan_end(f, false);
    }
    for (size_t i = 0; i < windows.size(); i++) {
        // Right of the File windows, each a step below the last.
        float step = (float)(i % 8);
        ImGui::SetNextWindowPos(ImVec2(440 + 40 * step, 60 + 30 * step), ImGuiCond_FirstUseEver);
        window_sequence(windows[i].get());
        window_sequence_picture(windows[i].get(), config, ndiview);
    }
    window_sequence_picture_reap(false);
}

void window_folder_shutdown()
{
    folder_shutdown();
    for (std::unique_ptr<SEQUENCE_WINDOW>& w : windows)
        window_sequence_close_picture(w.get());
    window_sequence_picture_reap(true);
    windows.clear();
}
