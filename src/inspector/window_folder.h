// The windows of dropped directories: a Scanning window with a progress bar
// while a directory is scanned, which turns into one Sequence window per
// sequence found when the scan ends (and the directory's single files into
// File windows, as drops of them). Closing the Scanning window cancels the scan.
#pragma once

#include "ndiview/ndiview.h"
#include "workset/config.h"

// Draws every Scanning and Sequence window (and their Picture windows), and
// takes the results of the scans that ended: once a frame, on the GUI thread.
void window_folder_draw_all(const config_t* config, NDIVIEW* ndiview);
// Cancels the scans and playback, waits for their threads and forgets the
// windows: at exit, with the GL context still current.
void window_folder_shutdown();
