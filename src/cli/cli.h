// tessaview-dump: what the File window shows, and the checks, on the command line.
#pragma once

#include <cstdio>

#include "cli/cli_status.h"

// Runs the command with its arguments, printing to `out` and `err`.
int cli_run(int argc, const char* const* argv, FILE* out, FILE* err);
