// Crafted files of one image element: the builder the pixel tests write their
// files with, and one small file per layout as seeds that start the fuzzers
// inside every converter and decoder path instead of waiting for them to find
// the layouts by chance.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

// A one-element file of w x h pixels whose image data, at 2048, is `hex`
// ("103A C800": the bytes 10 3A C8 00), then (offset, value, width) edits.
std::vector<unsigned char> dpx(bool little, uint32_t w, uint32_t h, uint8_t descriptor, uint8_t bits,
                               uint16_t packing, const std::string& hex, std::initializer_list<uint32_t> edits = {});

typedef std::map<std::string, std::vector<unsigned char>> layout_seeds; // by file name

// One file per row of the preview converter's format_table.
layout_seeds layout_corpus_pixconv();

// Every descriptor the Picture decoder shows at every depth and packing, in
// both byte orders: 5 x 3 pixels (an odd width, for the 4:2:2 line ends),
// orientation codes 0 to 7 in turn.
layout_seeds layout_corpus_decode();

// Writes the seeds into `dir` (created if missing); false when one cannot be written.
bool layout_corpus_write(const layout_seeds& seeds, const std::string& dir);
