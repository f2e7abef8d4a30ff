// One small crafted file per image layout, by file name: seeds that start the
// fuzzers inside every converter and decoder path instead of waiting for them
// to find the layouts by chance.
#pragma once

#include <map>
#include <string>
#include <vector>

typedef std::map<std::string, std::vector<unsigned char>> layout_seeds;

// One file per row of the preview converter's format_table.
layout_seeds layout_corpus_pixconv();

// Every descriptor the Picture decoder shows at every depth and packing, in
// both byte orders: 5 x 3 pixels (an odd width, for the 4:2:2 line ends),
// orientation codes 0 to 7 in turn.
layout_seeds layout_corpus_decode();

// Writes the seeds into `dir` (created if missing); false when one cannot be written.
bool layout_corpus_write(const layout_seeds& seeds, const std::string& dir);
