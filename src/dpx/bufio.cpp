#include "dpx/bufio.h"

#include <cstring>

void bufio_init(BUFIO* io, uint32_t little_endian)
{
    io->little_endian = little_endian;
}

size_t bufio_uint32_read(const BUFIO* io, const unsigned char* src, uint32_t* dst, size_t count)
{
    for (size_t i = 0; i < count; i++)
        dst[i] = bufio_word32(src + 4 * i, io->little_endian);
    return 4 * count;
}

size_t bufio_uint16_read(const BUFIO* io, const unsigned char* src, uint16_t* dst, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        dst[i] = bufio_word16(src + 2 * i, io->little_endian);
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
        uint32_t bits = bufio_word32(src + 4 * i, io->little_endian);
        memcpy(&dst[i], &bits, sizeof bits);
    }
    return 4 * count;
}
