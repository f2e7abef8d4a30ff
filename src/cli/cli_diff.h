// tessaview-dump --diff: the rows whose values differ between two files, as
// text or JSON.
#pragma once

#include <cstdio>

// Prints the differing rows of `a` and `b` and returns CLI_OK when there is
// none, CLI_DIFFER when there are, CLI_REFUSED when a file cannot be read.
int cli_diff_run(const char* a, const char* b, bool json, FILE* out, FILE* err);
