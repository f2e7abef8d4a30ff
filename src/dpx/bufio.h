// Byte-order-aware readers. Values are assembled arithmetically, so the
// result does not depend on the host's byte order. The caller bounds the
// source: each reader consumes exactly the byte count it returns.
#pragma once

#include <cstddef>
#include <cstdint>

struct BUFIO {
    uint32_t little_endian; // 0: most significant byte first, 1: least first
};

void bufio_init(BUFIO* io, uint32_t little_endian);
size_t bufio_uint32_read(const BUFIO* io, const unsigned char* src, uint32_t* dst, size_t count);
size_t bufio_uint16_read(const BUFIO* io, const unsigned char* src, uint16_t* dst, size_t count);
size_t bufio_uint8_read(const BUFIO* io, const unsigned char* src, uint8_t* dst, size_t count);
size_t bufio_float_read(const BUFIO* io, const unsigned char* src, float* dst, size_t count);
