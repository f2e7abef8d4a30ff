// The windows of dropped directories: a Scanning window with a progress bar
// while a directory is scanned, which turns into one Sequence window per
// sequence found when the scan ends (and the directory's single files into
// File windows, as drops of them). Closing the Scanning window cancels the scan.
#pragma once

// Draws every Scanning and Sequence window, and takes the results of the
// scans that ended: once a frame, on the GUI thread.
void window_folder_draw_all();
// Cancels the scans, waits for their threads and forgets the windows: at exit.
void window_folder_shutdown();
