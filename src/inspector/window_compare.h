// The Compare window of two files: the rows of their descriptions whose
// values differ, or every row side by side.
#pragma once

// Opens the Compare window of two files (or shows it again when open); it
// reads both headers now and shows what differs.
void window_compare_open(const char* path_a, const char* path_b);
// Draws the open Compare windows; once per frame, after the File windows.
void window_compare_draw_all();
// Frees what they hold; at exit.
void window_compare_shutdown();
