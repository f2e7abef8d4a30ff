// The main menu bar and the About window.
#pragma once

#include "workset/config.h"
#include "ndiview/ndiview.h"

// Under "Use NewTek NDI" a disabled line tells why output is unavailable.
void menu_main(config_t* config, const NDIVIEW* ndiview);
void window_about(bool* open);
