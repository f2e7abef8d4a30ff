// One small crafted file per image layout: seeds that start the fuzzers
// inside every converter and decoder path instead of waiting for them to
// find the layouts by chance.
#pragma once

#include <string>
#include <vector>

struct layout_seed {
    std::string name;
    std::vector<unsigned char> bytes;
};

// One file per row of the preview converter's format_table.
std::vector<layout_seed> layout_corpus_pixconv();

// One file per layout the Picture decoder reads: every descriptor it
// shows, at every bit depth and packing, in both byte orders; 5 x 3 pixels
// (an odd width, for the 4:2:2 line ends), orientation codes 0 to 7 in turn.
std::vector<layout_seed> layout_corpus_decode();

// Writes the seeds into `dir` (created if missing); false when one cannot be written.
bool layout_corpus_write(const std::vector<layout_seed>& seeds, const std::string& dir);
