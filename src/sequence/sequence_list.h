// The files the paths given stand for, folder by folder, without reading any.
#pragma once

#include <string>
#include <vector>

#include "sequence/sequence.h"
#include "sequence/sequence_name.h"

struct SEQUENCE_LISTING {
    std::vector<SEQUENCE_FOLDER> folders; // in the order first met, names sorted and unique
    std::vector<SEQUENCE_REFUSAL> refused;
    std::vector<std::string> without_dpx;
};

// A directory given stands for its files whose names contain ".dpx" or
// ".DPX" (and, with `recursive`, for its subdirectories' files, each in a
// folder of its own, symbolic links followed once); any other path is taken
// as a file whatever its name, in the folder of its directory part. Nothing
// is opened but directories, so FIFOs and devices cannot block.
void sequence_list(const std::vector<std::string>& paths, bool recursive, SEQUENCE_LISTING* listing);
