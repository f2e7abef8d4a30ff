// The frames the sequence benchmarks scan: `count` files of 16 x 8 10-bit
// RGB at 24 fps in `dir`, numbered from 1001, with time code, frame
// position, file name and creation time as a writer fills them.
#pragma once

#include <string>

void write_frames(const std::string& dir, unsigned count);
