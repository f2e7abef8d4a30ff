// Frame numbers in file names, and files grouped into sequences by the text
// around their numbers.
#pragma once

#include <string>
#include <vector>

#include "sequence/sequence.h"

// The files of one directory; `directory` is "" for the working directory.
struct SEQUENCE_FOLDER {
    std::string directory;
    std::vector<std::string> names;
};

enum { SEQUENCE_NAME_DIGITS_LIMIT = 18 }; // longer runs are not frame numbers

// The last run of ASCII digits in `name` when it is a frame number: its
// start, length and value.
bool sequence_name_number(const std::string& name, size_t* at, size_t* digits, uint64_t* number);

// The width the sequence's numbers are written in (0 unpadded), chosen so
// that the most frames agree with it.
int sequence_name_padding(const std::vector<SEQUENCE_FRAME>& frames);
// Whether a frame's number is written as the padding says.
bool sequence_name_fits(const SEQUENCE_FRAME& frame, int padding);

// The folder's numbered files joined into sequences (numbers, digits,
// first, last, present, missing and padding set; frames not read yet), and
// its other files as singles.
void sequence_name_group(const SEQUENCE_FOLDER& folder, std::vector<SEQUENCE>* sequences,
                         std::vector<SEQUENCE_FRAME>* singles);
