// SMPTE 12M time code as DPX stores it: hours, minutes, seconds and frames
// as BCD bytes from the most significant, the drop-frame flag in bit 6 of
// the frames byte.
#pragma once

#include <cstdint>

// The frames counted from midnight at `rate` (rounded to whole frames per
// second), dropping frame numbers as SMPTE 12M does when the flag is set
// and the rate is a multiple of 30. False for a code that is not valid time
// code at that rate, and `day` the frames of 24 hours.
bool sequence_timecode_count(uint32_t code, double rate, uint64_t* count, uint64_t* day);
