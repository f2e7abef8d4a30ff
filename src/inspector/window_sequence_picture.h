// The Picture window of a Sequence window: the position's frame decoded by
// a worker, the next frames read ahead in the direction of play, stepped
// with the keys or played at the sequence's rate, frames that are not ready
// in time passed over. Missing and refused frames show grey with the reason.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "inspector/picture_canvas.h"
#include "inspector/window_sequence.h"
#include "ndiview/ndiview.h"
#include "player/player.h"
#include "workset/config.h"

struct SEQUENCE_PICTURE {
    PICTURE_LOOK look;
    std::unique_ptr<PLAYER> player;
    PLAYER_SETTINGS settings;      // of the pictures held and asked for
    uint64_t generation;           // moves on a jump: older requests are passed over
    std::map<uint64_t, PLAYER_PICTURE> ready; // decoded ahead, by frame number
    std::set<uint64_t> asked;      // numbers whose answer has not been taken yet
    std::vector<uint64_t> wanted;  // the position and the frames ahead of it
    PLAYER_PICTURE shown;          // on screen, owned; decodable or with its reason
    bool has_shown;
    uint64_t shown_number;
    std::string grey;              // why the position has no picture, or ""
    DPX_HEADER header;             // of the last frame read, for the element labels
    bool has_header;
    GLuint texture;
    int texture_width, texture_height;
    bool fresh;                    // a picture came on screen this frame
    std::deque<double> shown_at;   // when pictures came on screen while playing
    uint64_t pictures, dropped;    // shown and passed over while playing
    uint64_t last_position;
    double upload_ms;              // of the last picture
    double make_ms;                // reading and decoding a frame, on average
    std::vector<unsigned char> turned; // the picture as shown, for NDI, when the orientation turns it
};

// Draws the Picture window of `window` while it is open (and its Sequence
// window visible). While it has the focus its pictures go out over NDI.
void window_sequence_picture(SEQUENCE_WINDOW* window, const config_t* config, NDIVIEW* ndiview);
// Closes it, freeing its pictures and texture; its worker ends on its own.
void window_sequence_close_picture(SEQUENCE_WINDOW* window);
// Joins the workers of closed Picture windows that have finished their
// frame; at exit (`wait`) every one.
void window_sequence_picture_reap(bool wait);
