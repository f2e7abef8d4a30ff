// Numbered runs of DPX frames found in directories, read header by header
// in parallel: what is missing, refused, broken or changing. Free of GUI code.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "checks/checks.h"

enum : uint32_t { SEQUENCE_NONE = 0xFFFFFFFFu }; // no time code or frame position

struct SEQUENCE_FRAME {
    uint64_t number;         // the frame number (0 for a single file)
    std::string path;        // as found, bytes unchanged
    uint64_t size;           // bytes on disk, 0 when it could not be opened
    bool loaded;             // the header was read as DPX
    bool empty;              // a zero-byte file
    std::string reason;      // why it was not loaded
    uint32_t time_code;      // SMPTE time code as stored, or SEQUENCE_NONE
    uint32_t frame_position; // film header's frame position, or SEQUENCE_NONE
    uint32_t errors, warnings, notes; // per-file check findings
    int digits;              // characters the number is written in
};

struct SEQUENCE_RANGE {
    uint64_t first, last;
};

struct SEQUENCE_PROBLEM {
    CHECK_SEVERITY severity;
    const char* id; // "sequence-gap", ...: stable, scripts rely on it
    std::string message;
    std::vector<uint64_t> frames; // the frame numbers concerned, ascending
};

// A header field that does not hold one value across the readable frames.
struct SEQUENCE_VARYING {
    std::string section;
    const char* label;
    uint64_t distinct;         // values seen, the first frame's included
    uint64_t first_differs_at; // lowest frame number whose value differs from the first readable frame's
    bool expected;             // a field that changes from frame to frame by nature
};

struct SEQUENCE {
    std::string directory; // "" for the working directory
    std::string prefix, suffix;
    int padding; // digits the numbers are written in; 0 unpadded
    uint64_t first, last;
    uint64_t present; // distinct numbers present
    std::vector<SEQUENCE_FRAME> frames; // by number, then name
    std::vector<SEQUENCE_RANGE> missing;
    bool readable;      // a frame was read: layout and frame_rate hold
    std::string layout; // "4096 x 2160, 10-bit R, G, B, filled method A, big-endian"
    double frame_rate;  // 0 when the headers have none
    uint32_t time_code_first, time_code_last; // of the first and last frames that have one
    std::vector<SEQUENCE_PROBLEM> problems;
    std::vector<SEQUENCE_VARYING> varying;
};

struct SEQUENCE_REFUSAL {
    std::string path, reason;
};

struct SEQUENCE_SCAN {
    std::vector<SEQUENCE> sequences;    // by directory, then prefix and suffix
    std::vector<SEQUENCE_FRAME> singles; // files whose names hold no frame number
    std::vector<SEQUENCE_REFUSAL> refused; // paths given or found that could not be listed or looked at
    std::vector<std::string> without_dpx;  // directories holding no DPX file
};

// Shared with another thread while a scan runs: how far it is, and a way to stop it.
struct SEQUENCE_PROGRESS {
    std::atomic<uint64_t> found{0}; // frames and single files listed
    std::atomic<uint64_t> read{0};  // of them, read so far
    std::atomic<bool> cancel{false}; // set to stop the scan soon: its results are then incomplete
};

struct SEQUENCE_OPTIONS {
    bool recursive; // descend into subdirectories
    unsigned threads; // readers; 0 for one per core
    // Called once the files are listed, before any is read.
    void (*listed)(void* context);
    void* context;
    SEQUENCE_PROGRESS* progress; // null when nobody watches
};

// The gap problem lists at most this many missing numbers; `missing` holds them all.
enum : uint64_t { SEQUENCE_GAP_FRAMES_LIMIT = 100000 };

// Finds the sequences and single files among `paths` (files, taken whatever
// their names, and directories, of which the names containing ".dpx" or
// ".DPX" are taken) and reads each frame's 2048-byte header.
void sequence_scan(const std::vector<std::string>& paths, const SEQUENCE_OPTIONS& options, SEQUENCE_SCAN* scan);

// "shot_v001.[0990-1010].dpx", "plate.[12].dpx", without the directory.
std::string sequence_notation(const SEQUENCE& sequence);
// "shot_v001.%04d.dpx", "plate.%d.dpx", without the directory.
std::string sequence_pattern(const SEQUENCE& sequence);
// "01:00:00:00", or with ';' before the frames when the drop-frame flag is set.
std::string sequence_time_code_text(uint32_t time_code);
// "1000-1001, 1005", at most `limit` ranges, then ", ..." when there are more.
std::string sequence_ranges_text(const std::vector<SEQUENCE_RANGE>& ranges, size_t limit);
// Ascending numbers as ranges.
std::vector<SEQUENCE_RANGE> sequence_ranges(const std::vector<uint64_t>& numbers);
