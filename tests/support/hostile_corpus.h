// Broken DPX files, each with the outcome it must have.
#pragma once

#include <string>
#include <vector>

struct hostile_file {
    std::string name;
    std::vector<unsigned char> bytes;
    // Loaded files: a text the File window must show (empty when the picture
    // shows). Refused files: the reason in the refusal line.
    bool loads;
    std::string expect;
};

std::vector<hostile_file> hostile_corpus();
// Writes every file into `dir`; false when one cannot be written.
bool hostile_corpus_write(const std::string& dir);
