// Fills a DPX_HEADER from a file image held in memory.
#pragma once

#include <cstddef>

#include "dpx/dpx_header.h"

enum {
    DPX_IO_OK = 0,
    DPX_IO_NOT_DPX = 1,   // magic number is neither "SDPX" nor "XPDS"
    DPX_IO_TOO_SHORT = 2, // fewer than 1664 bytes, 2048 (see below), or 2080 with a user-defined header
};

// Reads the header of the image's first `length` bytes. On DPX_IO_NOT_DPX only
// magic_number has been written; on DPX_IO_TOO_SHORT nothing past the
// standard sections has been read. The header's pointers borrow from `image`.
// A file of 1664 to 2047 bytes (FFmpeg writes no industry headers) is read
// when its header says the industry headers are absent or partial: the image
// data offset is defined and below 2048, the generic and industry lengths
// add up to less than 2048 and no user-defined header is declared.
int dpx_io_header_read(const unsigned char* image, size_t length, DPX_HEADER* header);
