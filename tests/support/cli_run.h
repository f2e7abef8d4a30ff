// tessaview-dump run in process, its output and errors caught.
#pragma once

#include <string>
#include <vector>

struct run_result { int status; std::string out, err; };

run_result run(std::vector<std::string> args);
