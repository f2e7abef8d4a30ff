#include "dpx/bufio.h"

#include <cstring>

void bufio_init(BUFIO* io, uint32_t little_endian)
{
    io->little_endian = little_endian;
}

static uint32_t bufio_word32(const BUFIO* io, const unsigned char* b)
{
    if (io->little_endian)
        return (uint32_t)b[3] << 24 | (uint32_t)b[2] << 16 | (uint32_t)b[1] << 8 | b[0];
    return (uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | b[3];
}

size_t bufio_uint32_read(const BUFIO* io, const unsigned char* src, uint32_t* dst, size_t count)
{
    for (size_t i = 0; i < count; i++)
        dst[i] = bufio_word32(io, src + 4 * i);
    return 4 * count;
}

size_t bufio_uint16_read(const BUFIO* io, const unsigned char* src, uint16_t* dst, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        const unsigned char* b = src + 2 * i;
        dst[i] = io->little_endian ? (uint16_t)(b[1] << 8 | b[0]) : (uint16_t)(b[0] << 8 | b[1]);
    }
    return 2 * count;
}

size_t bufio_uint8_read(const BUFIO*, const unsigned char* src, uint8_t* dst, size_t count)
{
    memcpy(dst, src, count);
    return count;
}

size_t bufio_float_read(const BUFIO* io, const unsigned char* src, float* dst, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        // Taken as a bit pattern, so NaNs and the all-ones marker survive.
        uint32_t bits = bufio_word32(io, src + 4 * i);
        memcpy(&dst[i], &bits, sizeof bits);
    }
    return 4 * count;
}
