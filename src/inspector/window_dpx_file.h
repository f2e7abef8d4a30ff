// The inspector window of one opened file.
#pragma once

#include "workset/config.h"
#include <vector>

#include "workset/workset.h"
#include "checks/checks.h"
#include "ndiview/ndiview.h"

// Draws the window for one frame; builds the preview on the first frame
// after a load and, while focused with NDI on, sends it.
void window_dpx_file(work_t* work, config_t* config, NDIVIEW* ndiview);
// The window's own menu bar: "Picture", which shows or hides the Picture
// window, and the count of check findings, which shows or hides the Checks window.
void menu_dpx_file(work_t* work, const std::vector<CHECK_FINDING>& findings);
