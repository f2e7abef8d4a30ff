// The inspector window of one opened file.
#pragma once

#include "app/config.h"
#include "app/workset.h"
#include "ndiview/ndiview.h"

// Draws the window for one frame; builds the preview on the first frame
// after a load and, while focused with NDI on, sends it.
void window_dpx_file(work_t* work, config_t* config, NDIVIEW* ndiview);
// The window's own menu bar: empty, its strip reserved.
void menu_dpx_file();
