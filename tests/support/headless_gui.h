// A Dear ImGui context without OpenGL: frames are built, never rendered, and the text they submit
// is captured through the library's log. The preview slots and picture textures are stood in for.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "workset/config.h"
#include "workset/workset.h"

struct headless_gui { work_t work; config_t config; };

struct thumbnail_stub_t {
    unsigned int next_texture; // returned by a create for slots 0..99 (a picture gets 8)
    const char* refusal;       // handed out by the refusal call for slots 0..99
};
extern thumbnail_stub_t thumbnail_stub;

// A new context, and the stand-in set to give texture 7 and no refusal.
void headless_gui_begin();
void headless_gui_end();
// Loads `image` into `gui->work` through the loader, with the given index; false when it is refused.
bool headless_gui_load(headless_gui* gui, const std::vector<unsigned char>& image, int index);
// Releases what the last load holds.
void headless_gui_unload(headless_gui* gui);
// The text that `draw` submits in one frame, a line per visual line, without trailing spaces.
std::string headless_gui_text(const std::function<void()>& draw);
// One frame of the File window, `width` wide and tall enough that every row is in view; it opens
// the eight element panels from the next frame on, as clicks on their titles would.
std::string headless_gui_frame(headless_gui* gui, float width = 700);
