// One frame read: its 2048-byte header decoded and checked, and compared
// with the first readable frame of its sequence. Safe to call from several
// threads at once.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "dpx/dpx_header.h"
#include "sequence/sequence_rows.h"

// What the first readable frame leaves for comparing the others with.
struct SEQUENCE_REFERENCE {
    bool held;                              // a frame has been taken
    unsigned char bytes[DPX_HEADER_SIZE];
    uint64_t layout;                        // see SEQUENCE_READ
    std::string layout_text;                // "16 x 8, 10-bit R, G, B, filled method A, big-endian"
    double frame_rate;                      // television rate, else film rate, else 0
    std::once_flag hashed;
    std::vector<uint64_t> hashes;           // its rows, made when a frame first needs them
};

// A frame's figures: what a sequence keeps of it and what its problems are made from.
struct SEQUENCE_READ {
    size_t sequence, frame; // where it belongs; set by the caller
    uint64_t size;
    bool loaded, empty;
    std::string reason;
    uint32_t time_code, frame_position;
    uint32_t errors, warnings, notes;
    std::vector<const char*> error_ids; // ids of its error findings
    uint64_t layout; // a hash of the fields whose change is a layout change
    // Rows that differ from the reference's; header_change when one of them
    // is not expected to.
    std::vector<SEQUENCE_ROW_CHANGE> changes;
    bool header_change;
};

// Reads `path` into `read`. With a reference that holds a frame, the frame
// is compared with it; with one that does not, a readable frame becomes it.
void sequence_read_frame(const char* path, SEQUENCE_REFERENCE* reference, SEQUENCE_READ* read);
