// Byte-order-aware readers; the result does not depend on the host's byte
// order. The caller bounds the source: each reader consumes exactly the byte
// count it returns.
#pragma once

#include <cstddef>
#include <cstdint>

inline uint16_t bufio_swap(uint16_t v) { return __builtin_bswap16(v); }
inline uint32_t bufio_swap(uint32_t v) { return __builtin_bswap32(v); }

// A word in the given byte order, whatever the host's: every reader of
// header fields and samples takes its words here.
template <typename Word> inline Word bufio_word(const unsigned char* p, bool little_endian)
{
    Word v;
    __builtin_memcpy(&v, p, sizeof v);
    const bool host_little = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
    return little_endian == host_little ? v : bufio_swap(v);
}

inline uint32_t bufio_word32(const unsigned char* p, bool little_endian) { return bufio_word<uint32_t>(p, little_endian); }
inline uint16_t bufio_word16(const unsigned char* p, bool little_endian) { return bufio_word<uint16_t>(p, little_endian); }

struct BUFIO {
    uint32_t little_endian; // 0: most significant byte first, 1: least first
};

void bufio_init(BUFIO* io, uint32_t little_endian);
size_t bufio_uint32_read(const BUFIO* io, const unsigned char* src, uint32_t* dst, size_t count);
size_t bufio_uint16_read(const BUFIO* io, const unsigned char* src, uint16_t* dst, size_t count);
size_t bufio_uint8_read(const BUFIO* io, const unsigned char* src, uint8_t* dst, size_t count);
size_t bufio_float_read(const BUFIO* io, const unsigned char* src, float* dst, size_t count);
