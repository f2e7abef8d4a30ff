// Bytes in memory as the source a band-by-band preview conversion reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct memory_source {
    const unsigned char* data;
    size_t size;
};

// A pixconv_read_func over a memory_source: what is there from `at` on, at most `size` bytes.
inline size_t memory_read(void* user, uint64_t at, unsigned char* into, size_t size)
{
    const memory_source* m = (const memory_source*)user;
    size_t n = at >= m->size ? 0 : m->size - at < size ? m->size - at : size;
    if (n)
        memcpy(into, m->data + at, n);
    return n;
}
