// tessaview-dump: what the File window shows, and the checks, on the command line.
#pragma once

#include <cstdio>

enum {
    CLI_OK = 0,           // every file was read
    CLI_REFUSED = 1,      // a file was refused (not found, not DPX, too short, ...)
    CLI_USAGE = 2,        // the command line was wrong
    CLI_CHECK_ERRORS = 3, // --check: a file has an error finding
};

// Runs the command with its arguments, printing to `out` and `err`.
int cli_run(int argc, const char* const* argv, FILE* out, FILE* err);
