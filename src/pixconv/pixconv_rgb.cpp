// Alpha, luma, RGB and RGBA converters: each output component is the top
// eight bits of one source sample.
#include "pixconv/pixconv_internal.h"

namespace {

void grey8(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel<1>(src, src_size, dst, width, height,
                          [](const unsigned char* s, unsigned char* d) { pixconv_put(d, s[0], s[0], s[0], 255); });
}

// Every writer we know stores 8-bit RGB as red, green, blue.
void rgb8(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel<3>(src, src_size, dst, width, height,
                          [](const unsigned char* s, unsigned char* d) { pixconv_put(d, s[0], s[1], s[2], 255); });
}

// 10 bits filled to 32-bit words, method A: one pixel per word, R in bits
// 31..22, G in 21..12, B in 11..2. The top eight bits of each are kept.
void rgb10_word(uint32_t w, unsigned char* d)
{
    pixconv_put(d, w >> 24, w >> 14 & 0xFF, w >> 4 & 0xFF, 255);
}

// Three 16-bit words per pixel; 12-bit samples sit in bits 15..4, so for
// both depths the high byte is the 8-bit value.
template <int High>
void rgb16(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel<6>(src, src_size, dst, width, height, [](const unsigned char* s, unsigned char* d) {
        pixconv_put(d, s[High], s[2 + High], s[4 + High], 255);
    });
}

const int high_byte_le = 1;
const int high_byte_be = 0;

} // namespace

void pixconv_d004_b08_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    grey8(src, src_size, dst, width, height);
}

void pixconv_d006_b08_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    grey8(src, src_size, dst, width, height);
}

void pixconv_d050_b08_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb8(src, src_size, dst, width, height);
}

void pixconv_d050_b08_p0_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb8(src, src_size, dst, width, height);
}

void pixconv_d050_b08_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb8(src, src_size, dst, width, height);
}

void pixconv_d050_b08_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb8(src, src_size, dst, width, height);
}

void pixconv_d050_b10_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel<4>(src, src_size, dst, width, height, [](const unsigned char* s, unsigned char* d) {
        rgb10_word((uint32_t)s[3] << 24 | (uint32_t)s[2] << 16 | (uint32_t)s[1] << 8 | s[0], d);
    });
}

void pixconv_d050_b10_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel<4>(src, src_size, dst, width, height, [](const unsigned char* s, unsigned char* d) {
        rgb10_word((uint32_t)s[0] << 24 | (uint32_t)s[1] << 16 | (uint32_t)s[2] << 8 | s[3], d);
    });
}

void pixconv_d050_b12_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_le>(src, src_size, dst, width, height);
}

void pixconv_d050_b12_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_be>(src, src_size, dst, width, height);
}

void pixconv_d050_b16_p0_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_le>(src, src_size, dst, width, height);
}

void pixconv_d050_b16_p0_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_be>(src, src_size, dst, width, height);
}

void pixconv_d050_b16_p1_le(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_le>(src, src_size, dst, width, height);
}

void pixconv_d050_b16_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    rgb16<high_byte_be>(src, src_size, dst, width, height);
}

void pixconv_d051_b08_p0_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel<4>(src, src_size, dst, width, height,
                          [](const unsigned char* s, unsigned char* d) { memcpy(d, s, 4); });
}
