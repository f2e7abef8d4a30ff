// A Dear ImGui context without OpenGL: frames are built, never rendered, and
// the text they submit is captured through the library's log.
#pragma once

#include <string>
#include <vector>

#include "app/config.h"
#include "app/workset.h"

struct headless_gui {
    work_t work;
    std::vector<unsigned char> image;
    config_t config;
};

void headless_gui_begin();
void headless_gui_end();
// Loads `image` into `gui->work` as the workset would, with the given index.
void headless_gui_load(headless_gui* gui, const std::vector<unsigned char>& image, int index);
// One frame of the File window; returns the submitted text, one line per
// visual line. The window is made tall enough that every row is in view.
std::string headless_gui_frame(headless_gui* gui);
std::vector<std::string> headless_gui_lines(const std::string& text);
