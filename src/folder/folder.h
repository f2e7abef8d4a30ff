// Directories dropped on the window, each scanned for sequences on a thread
// of its own while the GUI goes on. Free of GUI code. The GUI thread starts,
// watches and ends the scans; a scan's thread gets the directory, counts in
// `progress` and hands its report back through `result`, nothing else.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "queue/queue.h"
#include "sequence/sequence.h"

struct FOLDER_SCAN {
    std::string directory;       // as dropped, without trailing slashes
    SEQUENCE_PROGRESS progress;  // frames read of frames found; cancel to stop
    QUEUE<SEQUENCE_SCAN> result; // the report, once, from the scan's thread
    bool done = false;           // the report has arrived in `scan`
    SEQUENCE_SCAN scan;
    std::thread thread;
    bool visible = true;         // its Scanning window is shown; cleared to cancel the scan
};

// The scans not yet ended, in the order they started.
extern std::vector<std::unique_ptr<FOLDER_SCAN>> folder_scans;

// Whether `path` names a directory (looked up, never opened).
bool folder_is_directory(const char* path);
// Starts scanning `directory`, or shows again the scan of it still running.
FOLDER_SCAN* folder_scan_start(const char* directory);
// Whether the scan's report has arrived (into `scan`); never waits.
bool folder_scan_poll(FOLDER_SCAN* scan);
// Waits for a scan's thread (cancelling it first when `cancel`) and forgets the scan.
void folder_scan_end(FOLDER_SCAN* scan, bool cancel);
// Cancels every scan and waits for their threads: at exit.
void folder_shutdown();
