// Which reading of an element's lines to use: the standard's, or the one of
// the film scanners that write 10-bit luma against the standard's line rule.
//
// Lasergraphics ScanStation (Creator "Lasergraphics Inc.") and DFT Scanity
// (Input device name "Scanity ...") write filled 10-bit luma, method A and
// B, without padding each line to a 32-bit word: the samples of all lines
// run on in one stream of words, three to a word from the low field up.
// FFmpeg reads their files so (its DPX decoder names both); the peer samples
// in tests/data decode to FFmpeg's code values only this way.
#pragma once

#include <cstdint>

#include "dpx/dpx_header.h"
#include "picture/decode.h"

// Sets layout->unpadded, ->reading and ->reading_choice for filled 10-bit
// luma, `data_size` being the bytes from the element's offset to the end of
// the file image:
// - the header names one of the scanners: its reading when the data holds
//   it, the standard's otherwise (then the line says why);
// - no scanner named: the standard's, unless the data holds unpadded lines
//   but not padded ones, when the size decides.
// Layouts whose readings coincide (width a multiple of 3, no end-of-line
// padding) and all other layouts keep the standard's without a line.
void reading_choose(const DPX_HEADER* header, DECODE_LAYOUT* layout, uint64_t data_size);

// Bytes an element of `samples` samples takes as one unpadded stream of
// filled 10-bit words.
uint64_t reading_unpadded_bytes(uint64_t samples);
