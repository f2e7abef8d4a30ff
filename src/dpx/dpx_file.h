// Reading a DPX file from disk into a file image and decoding its header,
// with the refusals every reader of this program shares.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dpx/dpx_header.h"

enum : uint64_t {
    DPX_FILE_PATH_LIMIT = 1024,       // paths this long or longer are refused
    DPX_FILE_READ_LIMIT = 0x10000000, // 256 MiB: bytes past this are not read
};

enum DPX_FILE_READ {
    DPX_FILE_WHOLE,       // the whole file, up to the read limit
    DPX_FILE_HEADER_ONLY, // the header and the user-defined header, never the image data
    DPX_FILE_STANDARD_HEADER, // the 2048 bytes of the standard sections only: no user data, no image data
};

struct DPX_FILE {
    unsigned char* image; // the bytes read, owned; the header's pointers borrow from it
    size_t image_size;    // bytes held in `image`
    uint64_t file_size;   // the file's real length on disk
    DPX_HEADER header;
};

enum { DPX_FILE_REASON_SIZE = 256 };

// Reads and decodes `path`. On success returns true and fills `file`, which
// dpx_file_free releases. On failure returns false, holds nothing, and writes
// the reason into `reason` ("cannot open (...)", "not a regular file (a
// FIFO)", "too short for a DPX header (...)", "not a DPX file (...)" and the
// like). Directories, FIFOs, sockets and devices are refused without waiting.
bool dpx_file_load(const char* path, DPX_FILE_READ read, DPX_FILE* file, char reason[DPX_FILE_REASON_SIZE]);
void dpx_file_free(DPX_FILE* file);
