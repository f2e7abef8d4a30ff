// A Dear ImGui context without OpenGL: frames are built, never rendered, and
// the text they submit is captured through the library's log.
#pragma once

#include <functional>
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
// One frame of the File window, `width` wide; returns the submitted text, one
// line per visual line. The window is made tall enough that every row is in view.
std::string headless_gui_frame(headless_gui* gui, float width = 700);
std::vector<std::string> headless_gui_lines(const std::string& text);
// The text one window drawn by `draw` submits in a frame of its own (the GUI
// library ends a log at the end of each window).
std::vector<std::string> headless_gui_window_lines(const std::function<void()>& draw);
