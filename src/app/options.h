// The program's command line: files to open at start, --help and --version.
#pragma once

#include <cstdio>
#include <vector>

enum OPTIONS_RESULT {
    OPTIONS_RUN,  // go on and open `paths`
    OPTIONS_DONE, // --help or --version was printed: exit 0
    OPTIONS_USAGE // an unknown option: the usage line was printed, exit 2
};

// Paths are taken in order, as a drop takes them; "--" ends the options.
OPTIONS_RESULT options_parse(int argc, char** argv, std::vector<const char*>* paths, FILE* out, FILE* err);
