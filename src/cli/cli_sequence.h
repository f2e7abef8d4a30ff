// tessaview-dump --sequence: the sequences among the paths as text or JSON.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct CLI_SEQUENCE_OPTIONS {
    bool json;      // one JSON object instead of text
    bool check;     // exit status 3 when a sequence has an error
    bool frames;    // a line per frame in the text
    bool recursive; // descend into subdirectories
};

// Prints the report of `paths` and returns the exit status (CLI_OK and its siblings).
int cli_sequence_run(const std::vector<std::string>& paths, const CLI_SEQUENCE_OPTIONS& options, FILE* out, FILE* err);
