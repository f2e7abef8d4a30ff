// tessaview-dump's text output: the File window's sections as lines.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "checks/checks.h"
#include "dpx/dpx_file.h"

// Appends `size` bytes of `text`, control characters as \xNN: they would
// break the one-row-per-line promise. The rest is as the window shows it.
void cli_text_escaped(std::string* out, const char* text, size_t size);
// A title line with the path, every section with its rows as "label: value",
// the bytes of each text field and of the user data, then the checks.
void cli_text_file(FILE* out, const char* path, const DPX_FILE* file, const std::vector<CHECK_FINDING>& checks);
// One line per finding, "PATH: severity id: message", or "PATH: No findings".
void cli_text_checks(FILE* out, const char* path, const std::vector<CHECK_FINDING>& checks);
