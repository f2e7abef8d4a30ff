// What a sequence's Picture window holds and shows: the picture on screen,
// the frames read and decoded ahead of the position by the player's workers,
// and which frames to ask for next as playback moves.
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
#include "player/player.h"

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

// Starts the workers, the position `position`.
void sequence_readahead_start(SEQUENCE_PICTURE* sp, uint64_t position);
// Once a frame: takes the workers' answers, puts the position's picture on
// screen (or its grey line) when it is there, asks for the frames ahead.
void sequence_readahead_update(SEQUENCE_WINDOW* window, SEQUENCE_PICTURE* sp, double now);
// Frees the picture on screen and those read ahead.
void sequence_readahead_release(SEQUENCE_PICTURE* sp);
