// The Picture window of a Sequence window: the position's frame decoded by
// a worker, the next frames read ahead in the direction of play, stepped
// with the keys or played at the sequence's rate, frames that are not ready
// in time passed over. Missing and refused frames show grey with the reason.
#pragma once

#include "inspector/sequence_readahead.h"
#include "inspector/window_sequence.h"
#include "ndiview/ndiview.h"
#include "workset/config.h"


// Draws the Picture window of `window` while it is open (and its Sequence
// window visible). While it has the focus its pictures go out over NDI.
void window_sequence_picture(SEQUENCE_WINDOW* window, const config_t* config, NDIVIEW* ndiview);
// Closes it, freeing its pictures and texture; its worker ends on its own.
void window_sequence_close_picture(SEQUENCE_WINDOW* window);
// Joins the workers of closed Picture windows that have finished their
// frame; at exit (`wait`) every one.
void window_sequence_picture_reap(bool wait);
