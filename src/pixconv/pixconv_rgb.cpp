// Alpha, luma, RGB and RGBA converters: each output component is the top
// eight bits of one source sample.
#include "pixconv/pixconv_internal.h"

namespace {

void grey8(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel<1>(src, src_size, dst, width, height,
                          [](const unsigned char* s, unsigned char* d) { pixconv_put(d, s[0], s[0], s[0], 255); });
}

// Every writer we know stores 8-bit RGB as red, green, blue. Four pixels are
// three words: r0 g0 b0 r1 | g1 b1 r2 g2 | b2 r3 g3 b3.
void rgb8(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel_grouped<3, 4>(
        src, src_size, dst, width, height,
        [](const unsigned char* s, unsigned char* d) {
            uint32_t w0 = bufio_word32(s, true), w1 = bufio_word32(s + 4, true), w2 = bufio_word32(s + 8, true);
            const uint32_t a = 0xFF000000u;
            pixconv_stream(d, (w0 & 0xFFFFFF) | a);
            pixconv_stream(d + 4, (w0 >> 24 | w1 << 8) | a);
            pixconv_stream(d + 8, (w1 >> 16 | w2 << 16) | a);
            pixconv_stream(d + 12, w2 >> 8 | a);
        },
        [](const unsigned char* s, unsigned char* d) { pixconv_put(d, s[0], s[1], s[2], 255); });
}

// 10 bits filled to 32-bit words, method A: one pixel per word, R in bits
// 31..22, G in 21..12, B in 11..2. The top eight bits of each are kept.
void rgb10_word(uint32_t w, unsigned char* d)
{
    pixconv_put(d, w >> 24, w >> 14, w >> 4, 255);
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
        rgb10_word(bufio_word32(s, true), d);
    });
}

void pixconv_d050_b10_p1_be(const unsigned char* src, size_t src_size, unsigned char* dst, int width, int height)
{
    pixconv_each_pixel<4>(src, src_size, dst, width, height, [](const unsigned char* s, unsigned char* d) {
        // The word read the other way round: its bytes b0..b3 are bits 31..0.
        uint32_t v = bufio_word32(s, true);
        pixconv_put(d, v, (v >> 8 & 0xFF) << 2 | (v >> 22 & 3), (v >> 16 & 0xFF) << 4 | (v >> 28), 255);
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
