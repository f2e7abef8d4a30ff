// The Sequence window: one numbered run of frames of a dropped directory,
// its summary, problems, frames (one row per gap) and varying fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "player/playback.h"
#include "sequence/sequence.h"

// A line of the frame table: a frame, or a run of missing numbers.
struct SEQUENCE_WINDOW_ROW {
    size_t frame; // index in the sequence's frames, or SEQUENCE_WINDOW_GAP
    uint64_t first, last; // the missing numbers of a gap
};
enum : size_t { SEQUENCE_WINDOW_GAP = (size_t)-1 };

struct SEQUENCE_PICTURE; // its Picture window's pictures and worker, while open

// Per-frame figures only: the sequence holds no header and no image data.
struct SEQUENCE_WINDOW {
    SEQUENCE sequence;
    std::string title; // the notation, made unique per directory by a hidden suffix
    std::vector<SEQUENCE_WINDOW_ROW> rows;
    uint64_t total_size; // of all its files, summed once
    bool visible;
    size_t selected;   // row index
    bool scroll;       // bring the selected row into view on the next frame
    int page_rows;     // rows in view, for Page Up and Page Down
    // Stepping and playing; the selected row follows the position, and the
    // position a row selected in the table.
    PLAYBACK playback;
    size_t followed_row;      // the selection and position as last matched
    uint64_t followed_position;
    bool picture_visible;     // its Picture window is open
    std::shared_ptr<SEQUENCE_PICTURE> picture;
};

// A window for `sequence`, its first row selected.
void window_sequence_init(SEQUENCE_WINDOW* window, SEQUENCE&& sequence);
// The frames and gaps in number order.
std::vector<SEQUENCE_WINDOW_ROW> window_sequence_rows(const SEQUENCE& sequence);
// "1000-1001 missing", "1005 missing".
std::string window_sequence_gap_text(const SEQUENCE_WINDOW_ROW& row);
// The row of frame number `number`, a frame's or a gap's.
size_t window_sequence_row_of(const SEQUENCE_WINDOW* window, uint64_t number);
// The frame of number `number`, or null when it is missing.
const SEQUENCE_FRAME* window_sequence_frame_of(const SEQUENCE_WINDOW* window, uint64_t number);
// Left/Right step, Home/End, Space plays and pauses, J/K/L play backwards,
// pause and play forwards, I and O mark the range: for the Sequence window
// and its Picture window, whichever has the focus.
void window_sequence_playback_keys(SEQUENCE_WINDOW* window, double now);
// Draws the window for one frame when visible; Enter or a double click on a
// frame opens its File window, a Ctrl+click on another its comparison with
// the selected one.
void window_sequence(SEQUENCE_WINDOW* window);
