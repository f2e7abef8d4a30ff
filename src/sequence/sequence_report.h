// A sequence's report made from its frames' figures as they come in, in
// any order: the problems and the varying fields once all are in.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "sequence/sequence.h"
#include "sequence/sequence_read.h"

struct SEQUENCE_ROW_TALLY {
    std::vector<uint64_t> values;  // hashes of the values that differ from the first readable frame's
    uint64_t first_differs_at;
};

// What is gathered for one sequence while its frames are read.
struct SEQUENCE_TALLY {
    std::unique_ptr<SEQUENCE_REFERENCE> reference;
    size_t reference_frame;          // index of the first readable frame; frames.size() while none
    std::vector<uint64_t> layouts;   // each frame's layout hash
    std::vector<const char*> error_ids; // distinct, as found
    std::map<uint32_t, SEQUENCE_ROW_TALLY> rows;
    std::vector<uint64_t> header_changes; // numbers of frames with an unexpected change
};

// Ready for a sequence's frames.
void sequence_report_start(const SEQUENCE* sequence, SEQUENCE_TALLY* tally);
// Keeps a frame's figures in `frame` and `tally`.
void sequence_report_add(SEQUENCE_READ* read, SEQUENCE_FRAME* frame, SEQUENCE_TALLY* tally);
// Fills in the layout, rate, time code range, problems and varying fields,
// and lets the tally go.
void sequence_report_finish(SEQUENCE* sequence, SEQUENCE_TALLY* tally);
