// tessaview-dump's exit statuses, shared by every way it runs.
#pragma once

enum {
    CLI_OK = 0,           // every file was read
    CLI_REFUSED = 1,      // a file was refused (not found, not DPX, too short, ...)
    CLI_USAGE = 2,        // the command line was wrong
    CLI_CHECK_ERRORS = 3, // --check: a file has an error finding
    CLI_DIFFER = 4,       // --diff: a row differs between the two files
};
