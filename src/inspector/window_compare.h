// The Compare window of two frames.
#pragma once

// Opens the Compare window of two files (or shows it again when open).
void window_compare_open(const char* path_a, const char* path_b);
void window_compare_draw_all();   // once per frame (the other helper adds this call to main.cpp)
void window_compare_shutdown();
