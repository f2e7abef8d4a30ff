// The frames of a sequence read and decoded ahead of playback on worker
// threads, one reading a frame while another decodes. The GUI thread asks
// for frames and takes their pictures back through two queues, never
// waiting; the workers get paths and settings, nothing of the GUI. Free of
// GUI code.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dpx/dpx_file.h"
#include "picture/decode.h"
#include "picture/transform.h"
#include "queue/queue.h"

// What a picture is made of: which element, which view, which reading.
struct PLAYER_SETTINGS {
    int element;
    TRANSFORM_VIEW view;
    bool standard; // the standard's reading of the lines, not a scanner's
};

struct PLAYER_REQUEST {
    uint64_t number;     // the frame number
    std::string path;
    uint64_t generation; // the asker's, at the time of asking
    PLAYER_SETTINGS settings;
};

// One frame ready to be shown, or why it cannot be. Owns its bytes until
// player_picture_free.
struct PLAYER_PICTURE {
    uint64_t number;
    uint64_t generation;
    PLAYER_SETTINGS settings;
    bool skipped;    // passed over unread: of an older generation
    bool decodable;
    char reason[DECODE_REASON_SIZE]; // why there is no picture
    DPX_FILE file;   // the bytes as read, for the readout of code values
    DECODE_LAYOUT layout;
    unsigned char* rgba; // width x height x 4, file order
    uint64_t missing;    // pixels without bytes in the file
    uint64_t cost;       // taken from the memory bound, given back when freed
    double read_ms, decode_ms;
};

// A buffer of a freed picture, kept for the next: fresh memory costs its
// page faults again on every frame (half the time of reading a 4K frame).
struct PLAYER_SPARE {
    unsigned char* bytes;
    size_t size;
};

enum : size_t {
    PLAYER_SPARES = 4,                // buffers kept at most,
    PLAYER_SPARE_BYTES = 256u << 20,  // and bytes in them
};

struct PLAYER {
    QUEUE<PLAYER_REQUEST> requests;
    QUEUE<PLAYER_PICTURE> pictures; // never fuller than the requests outstanding
    // Set by the GUI thread: requests of an older generation are answered unread.
    std::atomic<uint64_t> generation{0};
    std::atomic<unsigned> running{0}; // workers that have not ended
    std::vector<std::thread> threads;
    std::mutex spare_mutex;
    std::vector<PLAYER_SPARE> spares; // file images and pictures freed, to be read and decoded into
};

// Starts `workers` workers; at most `outstanding` requests may wait for an answer.
void player_start(PLAYER* player, size_t outstanding, unsigned workers);
// Asks for a picture without waiting; false when `outstanding` are already asked for.
bool player_request(PLAYER* player, PLAYER_REQUEST&& request);
// Takes an answer if one is there, without waiting; every request gets one.
bool player_take(PLAYER* player, PLAYER_PICTURE* picture);
// Tells the workers to stop after the frame they are on; never waits.
void player_stop(PLAYER* player);
// Whether every worker has ended, so that player_end will not wait.
bool player_finished(const PLAYER* player);
// Joins the workers (waiting for them unless finished) and frees what they left.
void player_end(PLAYER* player);

// Reads and decodes one frame as the worker does, on the calling thread.
void player_make(PLAYER* player, const PLAYER_REQUEST& request, PLAYER_PICTURE* picture);
// Frees a picture, keeping its buffers among the player's spares while they
// are few and small enough.
void player_picture_free(PLAYER* player, PLAYER_PICTURE* picture);
