// Reading a DPX file from disk into a file image and decoding its header,
// with the refusals every reader of this program shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

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
    int64_t modified_ns;  // its modification time, to notice a change on disk
    DPX_HEADER header;
};

enum { DPX_FILE_REASON_SIZE = 256 };

// Reads and decodes `path`. On success returns true and fills `file`, which
// dpx_file_free releases. On failure returns false, holds nothing, and writes
// the reason into `reason` ("cannot open (...)", "not a regular file (a
// FIFO)", "too short for a DPX header (...)", "not a DPX file (...)" and the
// like). Directories, FIFOs, sockets and devices are refused without waiting.
bool dpx_file_load(const char* path, DPX_FILE_READ read, DPX_FILE* file, char reason[DPX_FILE_REASON_SIZE]);
// Reads and decodes `path` from its start as far as `end` bytes (all of a
// shorter file), past the read limit: for the pictures, whose reach the
// caller has worked out from the header and bounded.
bool dpx_file_load_to(const char* path, uint64_t end, DPX_FILE* file, char reason[DPX_FILE_REASON_SIZE]);
// The same into `buffer` (malloc'd, or null), which the file takes over and
// resizes to the bytes read: a reader of frame after frame reuses memory whose
// pages are already there rather than fault in fresh ones every frame.
bool dpx_file_load_into(const char* path, uint64_t end, unsigned char* buffer, DPX_FILE* file,
                        char reason[DPX_FILE_REASON_SIZE]);

// How far a reader of the pictures of `path` must read (dpx_layout_image_end
// of its header as it is now, at most the file's length), from a header-only
// read, which `head` keeps (size and modification time included) until
// dpx_file_free.
bool dpx_file_image_reach(const char* path, DPX_FILE* head, uint64_t* end, char reason[DPX_FILE_REASON_SIZE]);

// The same for a file image already in memory: `size` bytes (up to the read
// limit) are copied, and the file is taken to be that long.
bool dpx_file_from_bytes(const unsigned char* bytes, size_t size, DPX_FILE* file, char reason[DPX_FILE_REASON_SIZE]);
void dpx_file_free(DPX_FILE* file);

// The one line every reader prints for a refused path: "refused PATH: REASON".
void dpx_file_print_refusal(FILE* stream, const char* path, const char* reason);
